#include "leaf/search/search_fold.h"

#include <algorithm>
#include <cstdint>

#include "base/secure_wipe.h"
#include "base/utf8.h"
#include "leaf/search/unicode_fold_tables.h"

namespace ambrine {

namespace {

namespace tables = fold_tables;

// Hangul syllables are composed of a leading consonant, a vowel and an
// optional trailing consonant; their code points follow arithmetically.
constexpr char32_t kSyllableBase = 0xAC00;
constexpr char32_t kLeadingBase = 0x1100;
constexpr char32_t kVowelBase = 0x1161;
constexpr char32_t kTrailingBase = 0x11A7;  // one before the first trailing consonant
constexpr char32_t kLeadingCount = 19;
constexpr char32_t kVowelCount = 21;
constexpr char32_t kTrailingCount = 28;  // with "none"
constexpr char32_t kSyllableCount = kLeadingCount * kVowelCount * kTrailingCount;

constexpr char32_t kIotaSubscript = 0x345;
constexpr char32_t kIota = 0x3B9;

bool IsSyllable(char32_t c) { return c >= kSyllableBase && c < kSyllableBase + kSyllableCount; }

// One code point from `s` at `i`; `i` moves past it. A byte that starts
// no valid sequence gives U+FFFD.
char32_t DecodeUtf8(std::string_view s, std::size_t& i) {
  char32_t cp = kReplacementCharacter;
  const std::size_t length = Utf8SequenceAt(s, i, &cp);
  i += length == 0 ? 1 : length;
  return length == 0 ? kReplacementCharacter : cp;
}

// The first record of `stride` values in table[0, size) that does not come
// before the one `before` is asked about; size / stride when none.
template <class Before>
std::size_t FirstRecord(const std::uint32_t* table, std::size_t size, std::size_t stride,
                        Before before) {
  std::size_t low = 0;
  std::size_t high = size / stride;
  while (low < high) {
    const std::size_t mid = low + (high - low) / 2;
    if (before(table + mid * stride)) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

std::uint8_t CombiningClass(char32_t c) {
  if (c < 0x300) return 0;  // nothing below the combining diacritical marks
  const std::uint32_t* runs = tables::kCombiningClasses;
  const std::size_t i = FirstRecord(runs, tables::kCombiningClassesSize, 3,
                                    [c](const std::uint32_t* run) { return run[1] < c; });
  if (i * 3 >= tables::kCombiningClassesSize || runs[i * 3] > c) return 0;
  return static_cast<std::uint8_t>(runs[i * 3 + 2]);
}

// The lowest code point that composes with one before it, Hangul aside.
char32_t LowestSecond() {
  char32_t lowest = 0x10FFFF;
  for (std::size_t i = 1; i < tables::kCompositionsSize; i += 3) {
    lowest = std::min<char32_t>(lowest, tables::kCompositions[i]);
  }
  return lowest;
}

// What `first` followed by `second` composes to, or 0.
char32_t Composite(char32_t first, char32_t second) {
  if (first >= kLeadingBase && first < kLeadingBase + kLeadingCount && second >= kVowelBase &&
      second < kVowelBase + kVowelCount) {
    return kSyllableBase + ((first - kLeadingBase) * kVowelCount + (second - kVowelBase)) * kTrailingCount;
  }
  if (IsSyllable(first) && (first - kSyllableBase) % kTrailingCount == 0 && second > kTrailingBase &&
      second < kTrailingBase + kTrailingCount) {
    return first + (second - kTrailingBase);
  }
  static const char32_t lowestSecond = LowestSecond();
  if (second < lowestSecond) return 0;
  const std::uint32_t* pairs = tables::kCompositions;
  const std::size_t i = FirstRecord(pairs, tables::kCompositionsSize, 3, [&](const std::uint32_t* p) {
    return p[0] < first || (p[0] == first && p[1] < second);
  });
  if (i * 3 >= tables::kCompositionsSize || pairs[i * 3] != first || pairs[i * 3 + 1] != second) return 0;
  return pairs[i * 3 + 2];
}

// Makes room for one more element. Moving to a larger buffer wipes the old
// one: what is folded is a leaf's plaintext.
template <class Buffer>
void RoomForOne(Buffer& buffer) {
  if (buffer.size() < buffer.capacity()) return;
  Buffer larger;
  larger.reserve(buffer.capacity() * 2 + 16);
  larger.assign(buffer.begin(), buffer.end());
  SecureWipe(buffer.data(), buffer.size() * sizeof(buffer[0]));
  buffer.swap(larger);
}

// Folds code points one by one: each is replaced by its folded decomposition,
// the combining marks after a starter are put in canonical order, and the
// result is composed canonically. Since every code point of a folded
// decomposition folds to itself (the iota subscript once it is in order),
// one pass gives a text that folding again leaves unchanged.
// Code points that show nothing and mean nothing to a reader: the soft
// hyphen, joiners and other format controls, variation selectors, Hangul
// fillers, tags (Unicode's default ignorables). Folding drops them, so a
// word split by a soft hyphen is still found.
bool IsDefaultIgnorable(char32_t c) {
  static constexpr char32_t kRanges[][2] = {
      {0x00AD, 0x00AD}, {0x034F, 0x034F}, {0x061C, 0x061C}, {0x115F, 0x1160},
      {0x17B4, 0x17B5}, {0x180B, 0x180F}, {0x200B, 0x200F}, {0x202A, 0x202E},
      {0x2060, 0x206F}, {0x3164, 0x3164}, {0xFE00, 0xFE0F}, {0xFEFF, 0xFEFF},
      {0xFFA0, 0xFFA0}, {0xFFF0, 0xFFF8}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
      {0xE0000, 0xE0FFF}};
  for (const auto& range : kRanges) {
    if (c < range[0]) return false;
    if (c <= range[1]) return true;
  }
  return false;
}

class Folder {
 public:
  explicit Folder(FoldedText& out) : out_(out) {}

  ~Folder() {
    SecureWipe(pending_.data(), pending_.size() * sizeof(Piece));
    SecureWipe(sorted_.data(), sorted_.size() * sizeof(Piece));
  }

  void Add(char32_t c, std::size_t origin) {
    if (c < 0xA0) {  // only the capitals change below U+00A0
      Decomposed(c >= 'A' && c <= 'Z' ? c + 0x20 : c, origin);
      return;
    }
    if (IsDefaultIgnorable(c)) return;
    if (IsSyllable(c)) {
      const char32_t index = c - kSyllableBase;
      Decomposed(kLeadingBase + index / (kVowelCount * kTrailingCount), origin);
      Decomposed(kVowelBase + index % (kVowelCount * kTrailingCount) / kTrailingCount, origin);
      if (index % kTrailingCount != 0) Decomposed(kTrailingBase + index % kTrailingCount, origin);
      return;
    }
    const std::uint32_t* fold = tables::kFold;
    const std::size_t i = FirstRecord(fold, tables::kFoldSize, 2,
                                      [c](const std::uint32_t* entry) { return entry[0] < c; });
    if (i * 2 >= tables::kFoldSize || fold[i * 2] != c) {
      Decomposed(c, origin);
      return;
    }
    const std::uint32_t value = fold[i * 2 + 1];
    if (value < tables::kExpansion) {
      Decomposed(value, origin);
      return;
    }
    const std::uint32_t offset = (value - tables::kExpansion) >> tables::kLengthBits;
    const std::uint32_t length = (value - tables::kExpansion) & ((1u << tables::kLengthBits) - 1);
    for (std::uint32_t k = 0; k < length; ++k) Decomposed(tables::kFoldExpansions[offset + k], origin);
  }

  // Composes what is still waiting.
  void Finish() { Flush(); }

 private:
  struct Piece {
    char32_t c;
    std::uint8_t combiningClass;
    std::size_t origin;
  };

  // A code point of a folded decomposition. A starter closes the marks
  // gathered before it, which can then be ordered and composed.
  void Decomposed(char32_t c, std::size_t origin) {
    const std::uint8_t combiningClass = CombiningClass(c);
    if (combiningClass == 0) Flush();
    RoomForOne(pending_);
    pending_.push_back({c, combiningClass, origin});
  }

  void Flush() {
    if (pending_.empty()) return;
    const auto byClass = [](const Piece& a, const Piece& b) { return a.combiningClass < b.combiningClass; };
    const auto marks = pending_.begin() + (pending_.front().combiningClass == 0 ? 1 : 0);
    if (!std::is_sorted(marks, pending_.end(), byClass)) {
      // The marks keep the origins in their order of appearance, so that
      // origins never decrease and any stretch of folded text maps to a
      // stretch of the source.
      sorted_.assign(marks, pending_.end());
      std::stable_sort(sorted_.begin(), sorted_.end(), byClass);
      for (std::size_t k = 0; k < sorted_.size(); ++k) sorted_[k].origin = marks[k].origin;
      std::copy(sorted_.begin(), sorted_.end(), marks);
      SecureWipe(sorted_.data(), sorted_.size() * sizeof(Piece));
      sorted_.clear();
    }
    for (Piece& piece : pending_) {
      // The iota subscript is ordered as a mark and then folds to an iota,
      // a letter; its class is the highest, so the marks before it stay in
      // order and none follow it.
      if (piece.c == kIotaSubscript) piece = {kIota, 0, piece.origin};
      Compose(piece);
    }
    SecureWipe(pending_.data(), pending_.size() * sizeof(Piece));
    pending_.clear();
  }

  // Appends `piece`, or combines it with the last starter when nothing
  // between them blocks it: neither a starter nor a mark of the same or a
  // higher class.
  void Compose(const Piece& piece) {
    if (starter_ != kNone && lastClass_ < static_cast<int>(piece.combiningClass)) {
      if (const char32_t composite = Composite(out_.text[starter_], piece.c)) {
        out_.text[starter_] = composite;
        return;
      }
    }
    if (piece.combiningClass == 0) {
      starter_ = out_.text.size();
      lastClass_ = -1;
    } else {
      lastClass_ = piece.combiningClass;
    }
    RoomForOne(out_.text);
    out_.text.push_back(piece.c);
    out_.origin.push_back(piece.origin);
  }

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  FoldedText& out_;
  std::vector<Piece> pending_;  // a starter and the marks after it
  std::vector<Piece> sorted_;
  std::size_t starter_ = kNone;  // the last starter in out_.text
  int lastClass_ = -1;           // the class of what follows it; -1: nothing yet
};

}  // namespace

FoldedText FoldForSearch(std::string_view utf8) {
  FoldedText out;
  out.text.reserve(utf8.size());
  out.origin.reserve(utf8.size() + 1);
  {
    Folder folder(out);
    std::size_t i = 0;
    while (i < utf8.size()) {
      const std::size_t start = i;
      folder.Add(DecodeUtf8(utf8, i), start);
    }
    folder.Finish();
  }
  out.origin.push_back(utf8.size());
  return out;
}

std::u32string FoldedWord(std::string_view utf8) { return FoldForSearch(utf8).text; }

}  // namespace ambrine
