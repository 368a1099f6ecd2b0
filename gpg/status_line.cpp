#include "gpg/status_line.h"

#include <array>
#include <utility>

namespace ambrine {

namespace {

// The keywords the program reacts to; every other keyword is None.
constexpr std::array<std::pair<std::string_view, StatusKeyword>, 14> kKeywords{{
    {"BEGIN_ENCRYPTION", StatusKeyword::BeginEncryption},
    {"BEGIN_SIGNING", StatusKeyword::BeginSigning},
    {"NEED_PASSPHRASE", StatusKeyword::NeedPassphrase},
    {"NEED_PASSPHRASE_SYM", StatusKeyword::NeedPassphraseSym},
    {"GET_LINE", StatusKeyword::GetLine},
    {"GET_HIDDEN", StatusKeyword::GetHidden},
    {"GET_BOOL", StatusKeyword::GetBool},
    {"BAD_PASSPHRASE", StatusKeyword::BadPassphrase},
    {"GOODSIG", StatusKeyword::GoodSig},
    {"VALIDSIG", StatusKeyword::ValidSig},
    {"ERRSIG", StatusKeyword::ErrSig},
    {"NO_PUBKEY", StatusKeyword::NoPubkey},
    {"DECRYPTION_OKAY", StatusKeyword::DecryptionOkay},
    {"PROGRESS", StatusKeyword::Progress},
}};

StatusKeyword LookUp(std::string_view keyword) {
  for (const auto& [text, kind] : kKeywords) {
    if (text == keyword) return kind;  // whole, case-sensitive match
  }
  return StatusKeyword::None;
}

}  // namespace

StatusLine ParseStatusLine(std::string_view line) {
  StatusLine result;
  result.text = line;
  if (line.substr(0, kStatusPrefix.size()) != kStatusPrefix) return result;
  result.afterPrefix = line.substr(kStatusPrefix.size());
  const auto space = result.afterPrefix.find(' ');
  if (space == std::string_view::npos) {
    result.keyword = result.afterPrefix;
  } else {
    result.keyword = result.afterPrefix.substr(0, space);
    result.arguments = result.afterPrefix.substr(space + 1);
  }
  result.kind = LookUp(result.keyword);
  return result;
}

GoodSignature SplitGoodSignature(std::string_view afterPrefix) {
  GoodSignature signature;
  const std::size_t first = afterPrefix.find(' ');
  if (first == std::string_view::npos) return signature;
  const std::size_t second = afterPrefix.find(' ', first + 1);
  if (second == std::string_view::npos) {
    signature.userId = std::string(afterPrefix.substr(first + 1));
    return signature;
  }
  signature.keyId = std::string(afterPrefix.substr(first + 1, second - first - 1));
  signature.userId = std::string(afterPrefix.substr(second + 1));
  return signature;
}

std::string_view StatusField(std::string_view arguments, int index) {
  std::size_t start = 0;
  for (int i = 0; i < index; ++i) {
    const std::size_t space = arguments.find(' ', start);
    if (space == std::string_view::npos) return {};
    start = space + 1;
  }
  const std::size_t end = arguments.find(' ', start);
  if (end == std::string_view::npos) return arguments.substr(start);
  return arguments.substr(start, end - start);
}

bool IsHexText(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!hex) return false;
  }
  return true;
}

ValidSignature SplitValidSignature(std::string_view arguments) {
  ValidSignature signature;
  const std::string_view signing = StatusField(arguments, 0);
  if (!IsHexText(signing)) return signature;
  signature.signing = std::string(signing);
  const std::string_view primary = StatusField(arguments, 9);
  signature.primary = IsHexText(primary) ? std::string(primary) : signature.signing;
  return signature;
}

}  // namespace ambrine
