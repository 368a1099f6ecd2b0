#include "leaf/mime_header.h"

namespace ambrine {
namespace {

std::string_view TrimTrailingSpaces(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::size_t SkipSpaces(std::string_view text, std::size_t at) {
  while (at < text.size() && text[at] == ' ') ++at;
  return at;
}

// The position of the first ';' outside double quotes from `at`, or npos at
// the end of the text; false when the text ends inside quotes.
bool FindSeparator(std::string_view text, std::size_t at, std::size_t& separator) {
  bool quoted = false;
  for (; at < text.size(); ++at) {
    if (text[at] == '"') {
      quoted = !quoted;
    } else if (text[at] == ';' && !quoted) {
      separator = at;
      return true;
    }
  }
  separator = std::string_view::npos;
  return !quoted;
}

// Lower-cases only A to Z, so bytes of multi-byte characters stay as they are.
std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

Result ReadHeaderBlock(LineReader& input, HeaderList& headers, ErrorReport& report) {
  headers.clear();
  std::string current;
  std::string line;
  std::size_t total = 0;
  for (;;) {
    std::size_t consumed = 0;
    bool complete = true;
    Result status = input.ReadLine(line, &consumed, kMaxHeaderBlock, &complete);
    if (Failed(status)) return status;
    if (consumed == 0) {
      report.Report(kInvalidData, report::kHeaderBlockUnended);
      return kInvalidData;
    }
    total += line.size();
    if (!complete || total > kMaxHeaderBlock) {
      report.Report(kInvalidData, report::kHeaderLineBroken);
      return kInvalidData;
    }
    if (line.empty()) {
      headers.push_back(std::move(current));
      return kOk;
    }
    if (line[0] == ' ' || line[0] == '\t') {
      current.append(line, 1);
      continue;
    }
    std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0) {
      report.Report(kInvalidData, report::kHeaderLineBroken);
      return kInvalidData;
    }
    if (!current.empty()) headers.push_back(std::move(current));
    current = line;
  }
}

Result FindHeader(const HeaderList& headers, std::string_view name,
                  const char* parameter, std::string& value) {
  value.clear();
  for (const std::string& header : headers) {
    std::string_view text(header);
    std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) continue;
    if (AsciiLower(TrimTrailingSpaces(text.substr(0, colon))) != name) continue;

    const std::size_t start = SkipSpaces(text, colon + 1);
    std::size_t separator = 0;
    if (!FindSeparator(text, start, separator)) return kInvalidData;
    if (parameter == nullptr) {
      const std::size_t end = separator == std::string_view::npos ? text.size() : separator;
      value = TrimTrailingSpaces(text.substr(start, end - start));
      return kOk;
    }
    if (separator == std::string_view::npos) return kOk;
    return FindParameter(text.substr(SkipSpaces(text, separator + 1)), parameter, value);
  }
  return kOk;
}

Result FindParameter(std::string_view text, std::string_view name, std::string& value) {
  value.clear();
  std::size_t at = 0;
  for (;;) {
    at = SkipSpaces(text, at);
    if (at >= text.size()) return kOk;
    const std::size_t nameEnd = text.find_first_of("= ", at);
    if (nameEnd == std::string_view::npos) return kInvalidData;
    const std::string_view itemName = text.substr(at, nameEnd - at);
    at = SkipSpaces(text, nameEnd);
    if (at >= text.size() || text[at] != '=') return kInvalidData;
    at = SkipSpaces(text, at + 1);
    std::size_t separator = 0;
    if (!FindSeparator(text, at, separator)) return kInvalidData;
    const std::size_t end = separator == std::string_view::npos ? text.size() : separator;
    if (itemName == name) {
      value = TrimTrailingSpaces(text.substr(at, end - at));
      return kOk;
    }
    if (separator == std::string_view::npos) return kOk;
    at = separator + 1;
  }
}

bool IsQuotableChar(unsigned char c) { return c != '"' && c >= 0x20 && c != 0x7F; }

bool IsAttributeChar(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  return std::string_view("*'%()<>@,;:\\\"/[]?=").find(static_cast<char>(c)) ==
         std::string_view::npos;
}

std::string EncodeExtendedValue(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "UTF-8''";
  out.reserve(out.size() + 3 * bytes.size());
  for (char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    if (IsAttributeChar(c)) {
      out += byte;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

bool DecodeExtendedValue(std::string_view value, std::string& bytes) {
  bytes.clear();
  const std::size_t charsetEnd = value.find('\'');
  if (charsetEnd == std::string_view::npos) return false;
  if (AsciiLower(value.substr(0, charsetEnd)) != "utf-8") return false;
  const std::size_t languageEnd = value.find('\'', charsetEnd + 1);
  if (languageEnd == std::string_view::npos) return false;
  const std::string_view text = value.substr(languageEnd + 1);
  if (text.empty()) return false;
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c == '%') {
      const int high = at + 2 < text.size() ? HexValue(text[at + 1]) : -1;
      const int low = high >= 0 ? HexValue(text[at + 2]) : -1;
      if (low < 0) return false;
      out += static_cast<char>(high * 16 + low);
      at += 2;
    } else if (IsAttributeChar(c)) {
      out += static_cast<char>(c);
    } else {
      return false;
    }
  }
  bytes = std::move(out);
  return true;
}

Result FindFileName(const HeaderList& headers, std::string& name) {
  std::string extended;
  if (Succeeded(FindHeader(headers, "content-disposition", "filename*", extended)) &&
      DecodeExtendedValue(extended, name)) {
    return kOk;
  }
  Result status = FindHeader(headers, "content-disposition", "filename", name);
  if (Failed(status)) return status;
  if (!name.empty() && name.front() == '"') {
    name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string();
  }
  return kOk;
}

}  // namespace ambrine
