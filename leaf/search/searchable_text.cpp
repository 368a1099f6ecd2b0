#include "leaf/search/searchable_text.h"

#include <cctype>
#include <cstdint>
#include <optional>

#include "base/secure_wipe.h"
#include "base/utf8.h"

namespace ambrine {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// Adds one space unless `out` is empty or already ends in one.
void AppendSpace(std::string& out) {
  if (!out.empty() && out.back() != ' ') out.push_back(' ');
}

bool StartsWithNoCase(std::string_view s, std::size_t at, std::string_view prefix) {
  if (s.size() - at < prefix.size()) return false;
  for (std::size_t k = 0; k < prefix.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(s[at + k])) != prefix[k]) return false;
  }
  return true;
}

// The named references a form's text commonly carries; others stay as
// written.
std::optional<char32_t> NamedReference(std::string_view name) {
  static const struct {
    std::string_view name;
    char32_t cp;
  } kNames[] = {{"amp", '&'},    {"lt", '<'},     {"gt", '>'},      {"quot", '"'},
                {"apos", '\''},  {"nbsp", 0xA0},  {"copy", 0xA9},   {"reg", 0xAE},
                {"yen", 0xA5},   {"times", 0xD7}, {"hellip", 0x2026}, {"mdash", 0x2014},
                {"ndash", 0x2013}};
  for (const auto& n : kNames) {
    if (n.name == name) return n.cp;
  }
  return std::nullopt;
}

// Decodes the character reference at `html[at]` ('&'); `length` receives
// how many bytes it took, 0 when it is not one.
std::optional<char32_t> CharacterReference(std::string_view html, std::size_t at,
                                           std::size_t& length) {
  length = 0;
  // A reference is short: look no further, so text full of '&' stays linear.
  const std::size_t semicolon = html.substr(0, at + 13).find(';', at);
  if (semicolon == std::string_view::npos) return std::nullopt;
  std::string_view body = html.substr(at + 1, semicolon - at - 1);
  std::optional<char32_t> cp;
  if (!body.empty() && body[0] == '#') {
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty()) return std::nullopt;
    std::uint32_t value = 0;
    for (char d : digits) {
      int v;
      if (d >= '0' && d <= '9') v = d - '0';
      else if (hex && d >= 'a' && d <= 'f') v = d - 'a' + 10;
      else if (hex && d >= 'A' && d <= 'F') v = d - 'A' + 10;
      else return std::nullopt;
      value = value * (hex ? 16 : 10) + v;
      if (value > 0x10FFFF) return std::nullopt;
    }
    cp = value;
  } else {
    cp = NamedReference(body);
  }
  if (cp) length = semicolon - at + 1;
  return cp;
}

// Where the element whose contents are not text (script, style) ends:
// just past its closing tag, or the end.
std::size_t SkipRawText(std::string_view html, std::size_t from, std::string_view closing) {
  for (std::size_t at = html.find("</", from); at != std::string_view::npos;
       at = html.find("</", at + 2)) {
    if (StartsWithNoCase(html, at, closing)) {
      const std::size_t end = html.find('>', at);
      return end == std::string_view::npos ? html.size() : end + 1;
    }
  }
  return html.size();
}

// A tolerant reader of JSON values that keeps the values and drops the
// member names. It never fails: what it cannot read it stops at.
class JsonValues {
 public:
  explicit JsonValues(std::string_view text) : text_(text) {}

  // True when the whole text after `from` was one well-formed value.
  bool Read(std::size_t from, std::string& out) {
    at_ = from;
    if (!Value(out, 0)) return false;
    SkipSpace();
    return at_ == text_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  void SkipSpace() {
    while (at_ < text_.size() && IsSpace(text_[at_])) ++at_;
  }

  bool Value(std::string& out, int depth) {
    if (depth > kMaxDepth) return false;
    SkipSpace();
    if (at_ >= text_.size()) return false;
    const char c = text_[at_];
    if (c == '{') return Container(out, depth, '}', true);
    if (c == '[') return Container(out, depth, ']', false);
    if (c == '"') {
      std::string value;
      if (!String(value)) return false;
      out += value;
      out.push_back('\n');
      return true;
    }
    const std::size_t start = at_;
    while (at_ < text_.size() && !IsSpace(text_[at_]) && text_[at_] != ',' &&
           text_[at_] != '}' && text_[at_] != ']') {
      ++at_;
    }
    if (at_ == start) return false;
    const std::string_view literal = text_.substr(start, at_ - start);
    // null, true and false are structure, not words the user wrote.
    if (literal != "null" && literal != "true" && literal != "false") {
      out.append(literal);
      out.push_back('\n');
    }
    return true;
  }

  bool Container(std::string& out, int depth, char close, bool object) {
    ++at_;
    SkipSpace();
    if (at_ < text_.size() && text_[at_] == close) {
      ++at_;
      return true;
    }
    for (;;) {
      if (object) {
        SkipSpace();
        std::string name;
        if (at_ >= text_.size() || text_[at_] != '"' || !String(name)) return false;
        SkipSpace();
        if (at_ >= text_.size() || text_[at_] != ':') return false;
        ++at_;
      }
      if (!Value(out, depth + 1)) return false;
      SkipSpace();
      if (at_ >= text_.size()) return false;
      if (text_[at_] == close) {
        ++at_;
        return true;
      }
      if (text_[at_] != ',') return false;
      ++at_;
    }
  }

  std::optional<std::uint32_t> Hex4() {
    if (text_.size() - at_ < 4) return std::nullopt;
    std::uint32_t v = 0;
    for (int k = 0; k < 4; ++k) {
      const char d = text_[at_ + k];
      v <<= 4;
      if (d >= '0' && d <= '9') v |= d - '0';
      else if (d >= 'a' && d <= 'f') v |= d - 'a' + 10;
      else if (d >= 'A' && d <= 'F') v |= d - 'A' + 10;
      else return std::nullopt;
    }
    at_ += 4;
    return v;
  }

  // A string token at `at_` ('"'), escapes decoded (a lone surrogate
  // becomes U+FFFD).
  bool String(std::string& out) {
    ++at_;
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') {
        out.push_back(c);
        continue;
      }
      if (at_ >= text_.size()) return false;
      const char e = text_[at_++];
      switch (e) {
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'b': case 'f': out.push_back(' '); break;
        case 'u': {
          std::optional<std::uint32_t> unit = Hex4();
          if (!unit) return false;
          char32_t cp = *unit;
          if (cp >= 0xD800 && cp <= 0xDBFF && text_.substr(at_, 2) == "\\u") {
            at_ += 2;
            std::optional<std::uint32_t> low = Hex4();
            if (!low) return false;
            cp = (*low >= 0xDC00 && *low <= 0xDFFF)
                     ? 0x10000 + ((cp - 0xD800) << 10) + (*low - 0xDC00)
                     : 0xFFFD;
          }
          AppendUtf8(out, cp);
          break;
        }
        default: out.push_back(e); break;  // \" \\ \/ and what else came
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

void CutUtf8(std::string& text, std::size_t limit) {
  if (text.size() <= limit) return;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

std::string DocumentText(std::string_view html) {
  // The text is never longer than the markup: reserved whole, the buffer
  // never moves and leaves no copy behind.
  std::string out;
  out.reserve(html.size());
  std::size_t i = 0;
  while (i < html.size()) {
    const char c = html[i];
    if (c == '<') {
      if (html.compare(i, 4, "<!--") == 0) {
        const std::size_t end = html.find("-->", i + 4);
        i = end == std::string_view::npos ? html.size() : end + 3;
      } else if (StartsWithNoCase(html, i, "<script")) {
        i = SkipRawText(html, i, "</script");
      } else if (StartsWithNoCase(html, i, "<style")) {
        i = SkipRawText(html, i, "</style");
      } else {
        const std::size_t end = html.find('>', i);
        i = end == std::string_view::npos ? html.size() : end + 1;
      }
      AppendSpace(out);
    } else if (c == '&') {
      std::size_t length = 0;
      if (std::optional<char32_t> cp = CharacterReference(html, i, length)) {
        if (*cp == 0xA0 || *cp == ' ') {
          AppendSpace(out);
        } else {
          AppendUtf8(out, *cp);
        }
        i += length;
      } else {
        out.push_back(c);
        ++i;
      }
    } else if (IsSpace(c)) {
      AppendSpace(out);
      ++i;
    } else {
      out.push_back(c);
      ++i;
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  if (!out.empty() && out.front() == ' ') out.erase(0, 1);
  return out;
}

std::string FormValuesText(std::string_view form) {
  // The JSON may follow a first line that names the format.
  std::size_t start = 0;
  while (start < form.size() && IsSpace(form[start])) ++start;
  if (start < form.size() && form[start] != '{' && form[start] != '[') {
    const std::size_t newline = form.find('\n');
    if (newline == std::string_view::npos) return std::string(form);
    start = newline + 1;
  }
  // Each value takes no more room than it had in the text (its quotes or
  // the comma after it pay for its line break), so the buffer never moves.
  std::string values;
  values.reserve(form.size() + 1);
  JsonValues reader(form);
  if (reader.Read(start, values)) return values;
  SecureWipe(values);
  return std::string(form);
}

}  // namespace ambrine
