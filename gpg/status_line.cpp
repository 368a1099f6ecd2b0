#include "gpg/status_line.h"

#include <array>
#include <utility>

namespace ambrine {

namespace {

// The keywords the program reacts to; every other keyword is None.
constexpr std::array<std::pair<std::string_view, StatusKeyword>, 12> kKeywords{{
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

}  // namespace ambrine
