// The Unicode data search folding needs, generated into
// unicode_fold_tables.cpp by scripts/unicode_fold_tables.py. Hangul
// syllables appear in none of the tables: they decompose and compose
// arithmetically.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace ambrine::fold_tables {

extern const char kUnicodeVersion[];

// Pairs (code point, value), sorted by code point, for every code point whose
// folded form is not itself: its compatibility decomposition, case folded and
// decomposed again. A value below kExpansion is the single code point it
// folds to; otherwise (value - kExpansion) >> kLengthBits is an offset into
// kFoldExpansions and its low kLengthBits bits the number of code points.
// Every code point a folded form holds folds to itself, except U+0345, the
// iota subscript: it stays, to be folded to U+03B9 once the marks around it
// are in order.
constexpr std::uint32_t kExpansion = 0x110000;
constexpr unsigned kLengthBits = 5;
extern const std::uint32_t kFold[];
extern const std::size_t kFoldSize;
extern const std::uint32_t kFoldExpansions[];

// Triples (first, last, class): the runs of code points with the same
// non-zero canonical combining class, sorted.
extern const std::uint32_t kCombiningClasses[];
extern const std::size_t kCombiningClassesSize;

// Triples (first, second, composite), sorted by first then second: the
// canonical compositions, leaving out composites that composition never
// produces.
extern const std::uint32_t kCompositions[];
extern const std::size_t kCompositionsSize;

}  // namespace ambrine::fold_tables
