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

}  // namespace

Status ReadHeaderBlock(LineReader& input, HeaderList& headers, ErrorReport& report) {
  headers.clear();
  std::string current;
  std::string line;
  std::size_t total = 0;
  for (;;) {
    std::size_t consumed = 0;
    bool complete = true;
    Status status = input.ReadLine(line, &consumed, kMaxHeaderBlock, &complete);
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

Status FindHeader(const HeaderList& headers, std::string_view name,
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

Status FindParameter(std::string_view text, std::string_view name, std::string& value) {
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

}  // namespace ambrine
