#include "leaf/search/search_fold.h"

#include <cstdint>

#include "base/utf8.h"

namespace ambrine {

namespace {

constexpr char32_t kCombiningVoiced = 0x3099;      // ゛ as a combining mark
constexpr char32_t kCombiningSemiVoiced = 0x309A;  // ゜ as a combining mark

// One code point from `s` at `i`; `i` moves past it. A byte that starts
// no valid sequence gives U+FFFD.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  char32_t cp = kReplacementCharacter;
  const std::size_t length = Utf8SequenceAt(s, i, &cp);
  i += length == 0 ? 1 : length;
  return length == 0 ? kReplacementCharacter : cp;
}

// Half-width katakana U+FF65..U+FF9F and their full-width forms.
constexpr char16_t kHalfwidthKana[] =
    u"・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノ"
    u"ハヒフヘホマミムメモヤユヨラリルレロワン";

// Half-width Hangul U+FFA0..U+FFDC onto compatibility jamo; 0 where the
// block has no letter.
char32_t HalfwidthHangul(char32_t c) {
  if (c == 0xFFA0) return 0x3164;
  if (c >= 0xFFA1 && c <= 0xFFBE) return 0x3131 + (c - 0xFFA1);
  if (c >= 0xFFC2 && c <= 0xFFC7) return 0x314F + (c - 0xFFC2);
  if (c >= 0xFFCA && c <= 0xFFCF) return 0x3155 + (c - 0xFFCA);
  if (c >= 0xFFD2 && c <= 0xFFD7) return 0x315B + (c - 0xFFD2);
  if (c >= 0xFFDA && c <= 0xFFDC) return 0x3161 + (c - 0xFFDA);
  return 0;
}

// The ordinary form of a full-width or half-width character; `c` itself
// for any other.
char32_t Widen(char32_t c) {
  if (c >= 0xFF01 && c <= 0xFF5E) return c - 0xFF01 + 0x21;
  if (c == 0x3000) return 0x20;
  if (c >= 0xFF65 && c <= 0xFF9D) return kHalfwidthKana[c - 0xFF65];
  if (c == 0xFF9E) return kCombiningVoiced;
  if (c == 0xFF9F) return kCombiningSemiVoiced;
  if (const char32_t jamo = HalfwidthHangul(c)) return jamo;
  switch (c) {
    case 0xFF5F: return 0x2985;
    case 0xFF60: return 0x2986;
    case 0xFF61: return 0x3002;
    case 0xFF62: return 0x300C;
    case 0xFF63: return 0x300D;
    case 0xFF64: return 0x3001;
    case 0xFFE0: return 0xA2;
    case 0xFFE1: return 0xA3;
    case 0xFFE2: return 0xAC;
    case 0xFFE4: return 0xA6;
    case 0xFFE5: return 0xA5;
    case 0xFFE6: return 0x20A9;
    case 0xFFE8: return 0x2502;
    case 0xFFE9: return 0x2190;
    case 0xFFEA: return 0x2191;
    case 0xFFEB: return 0x2192;
    case 0xFFEC: return 0x2193;
    case 0xFFED: return 0x25A0;
    case 0xFFEE: return 0x25CB;
    default: return c;
  }
}

// Lower case for the alphabets a record is likely to hold: Latin (with the
// Latin-1 and Extended-A letters), Greek and Cyrillic.
char32_t Lower(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 0x20;
  if (c < 0xC0) return c;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
  if (c >= 0x100 && c <= 0x137) return c | 1;
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return c + 0x20;
  if (c >= 0x410 && c <= 0x42F) return c + 0x20;
  if (c >= 0x400 && c <= 0x40F) return c + 0x50;
  return c;
}

// The kana that takes a voicing mark as the next code point, or 0.
char32_t Voiced(char32_t base, char32_t mark) {
  const auto inRange = [&](char32_t first, char32_t last) { return base >= first && base <= last; };
  if (mark == kCombiningVoiced) {
    // か..ぢ and カ..ヂ: every other code point takes the mark.
    if ((inRange(0x304B, 0x3062) || inRange(0x30AB, 0x30C2)) && (base % 2) == 1) return base + 1;
    // つ て と / ツ テ ト.
    if (inRange(0x3064, 0x3068) || inRange(0x30C4, 0x30C8)) {
      if (base == 0x3064 || base == 0x3066 || base == 0x3068 || base == 0x30C4 ||
          base == 0x30C6 || base == 0x30C8) {
        return base + 1;
      }
    }
    // は..ほ / ハ..ホ: steps of three.
    if ((inRange(0x306F, 0x307D) && (base - 0x306F) % 3 == 0) ||
        (inRange(0x30CF, 0x30DD) && (base - 0x30CF) % 3 == 0)) {
      return base + 1;
    }
    if (base == 0x3046) return 0x3094;  // ゔ
    if (base == 0x30A6) return 0x30F4;  // ヴ
    if (base == 0x309D) return 0x309E;
    if (base == 0x30FD) return 0x30FE;
    if (inRange(0x30EF, 0x30F2)) return base + 8;  // ヷ..ヺ
    return 0;
  }
  if (mark == kCombiningSemiVoiced) {
    if ((inRange(0x306F, 0x307D) && (base - 0x306F) % 3 == 0) ||
        (inRange(0x30CF, 0x30DD) && (base - 0x30CF) % 3 == 0)) {
      return base + 2;
    }
  }
  return 0;
}

}  // namespace

FoldedText FoldForSearch(std::string_view utf8) {
  FoldedText out;
  out.text.reserve(utf8.size());
  out.origin.reserve(utf8.size() + 1);
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t start = i;
    const char32_t c = Lower(Widen(DecodeUtf8(utf8, i)));
    if ((c == kCombiningVoiced || c == kCombiningSemiVoiced) && !out.text.empty()) {
      if (const char32_t composed = Voiced(out.text.back(), c)) {
        out.text.back() = composed;
        continue;
      }
    }
    out.text.push_back(c);
    out.origin.push_back(start);
  }
  out.origin.push_back(utf8.size());
  return out;
}

std::u32string FoldedWord(std::string_view utf8) { return FoldForSearch(utf8).text; }

}  // namespace ambrine
