#!/usr/bin/env python3
"""Writes leaf/search/unicode_fold_tables.cpp, the tables search folding uses.

Run from the repository's top folder:

    python3 scripts/unicode_fold_tables.py [output]

The output defaults to leaf/search/unicode_fold_tables.cpp. The tables come
from Python's own unicodedata, so the Unicode version is that of the Python
running the script; the file's header names it. Layout of each table: see
leaf/search/unicode_fold_tables.h.
"""

import os
import sys
import unicodedata

HANGUL_FIRST, HANGUL_LAST = 0xAC00, 0xD7A3
EXPANSION_BASE = 0x110000
LENGTH_BITS = 5


def code_points():
    """Every code point but the surrogates."""
    for c in range(0x110000):
        if not 0xD800 <= c <= 0xDFFF:
            yield c


# The one combining mark that case folding turns into a letter (the iota
# subscript becomes an iota). Where it stands among other marks depends on
# its combining class, so the tables leave it as it is and the C++ side
# folds it only once the marks are in order.
IOTA_SUBSCRIPT, IOTA = 0x345, 0x3B9


def casefold(text):
    return "".join(x if ord(x) == IOTA_SUBSCRIPT else x.casefold() for x in text)


def fold(text):
    """Compatibility decomposition, full case folding, decomposition again."""
    return unicodedata.normalize("NFKD", casefold(unicodedata.normalize("NFKD", text)))


def check_iota_subscript():
    """The iota subscript must be the only mark whose folding changes its
    combining class, and the highest class of all, so that folding it after
    ordering leaves the marks in order."""
    assert chr(IOTA_SUBSCRIPT).casefold() == chr(IOTA)
    highest = max(unicodedata.combining(chr(c)) for c in code_points())
    assert unicodedata.combining(chr(IOTA_SUBSCRIPT)) == highest
    for c in code_points():
        s = chr(c)
        cc = unicodedata.combining(s)
        if cc == 0 or c == IOTA_SUBSCRIPT or unicodedata.normalize("NFD", s) != s:
            continue
        full = unicodedata.normalize("NFKD", unicodedata.normalize("NFKD", s).casefold())
        assert all(unicodedata.combining(x) == cc for x in full), hex(c)


def folded_mapping():
    """c -> its folded decomposition, where that is not c itself. Hangul
    syllables are left out: the C++ side decomposes them arithmetically."""
    mapping = {}
    for c in code_points():
        if HANGUL_FIRST <= c <= HANGUL_LAST:
            continue
        s = chr(c)
        m = fold(s)
        # Folding the result must change nothing, or one pass over a text
        # would not give a stable form; follow it to where it settles.
        while fold(m) != m:
            m = fold(m)
        if m != s:
            mapping[c] = [ord(x) for x in m]
    for c in range(HANGUL_FIRST, HANGUL_LAST + 1):
        assert fold(chr(c)) == unicodedata.normalize("NFD", chr(c))
    return mapping


def combining_classes():
    """Runs [first, last, class] of code points with the same non-zero
    canonical combining class."""
    runs = []
    for c in code_points():
        cc = unicodedata.combining(chr(c))
        if not cc:
            continue
        if runs and runs[-1][1] == c - 1 and runs[-1][2] == cc:
            runs[-1][1] = c
        else:
            runs.append([c, c, cc])
    return runs


def composition_pairs():
    """(first, second, composite) for every composite that canonical
    composition produces, Hangul syllables aside."""
    pairs = []
    for c in code_points():
        if HANGUL_FIRST <= c <= HANGUL_LAST:
            continue
        d = unicodedata.decomposition(chr(c))
        if not d or d.startswith("<"):
            continue
        parts = [int(x, 16) for x in d.split()]
        if len(parts) != 2:
            continue
        if unicodedata.normalize("NFC", unicodedata.normalize("NFD", chr(c))) != chr(c):
            continue  # excluded from composition
        pairs.append((parts[0], parts[1], c))
    pairs.sort()
    return pairs


def packed(values, indent="    ", width=100):
    lines, line = [], indent
    for v in values:
        item = f"{v},"
        if len(line) + len(item) + 1 > width and line.strip():
            lines.append(line.rstrip())
            line = indent
        line += item + " "
    if line.strip():
        lines.append(line.rstrip())
    return "\n".join(lines)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join("leaf", "search", "unicode_fold_tables.cpp")
    check_iota_subscript()
    mapping = folded_mapping()

    fold_pairs, expansions = [], []
    for c in sorted(mapping):
        m = mapping[c]
        if len(m) == 1:
            fold_pairs += [c, m[0]]
        else:
            assert len(m) < (1 << LENGTH_BITS)
            fold_pairs += [c, EXPANSION_BASE + ((len(expansions) << LENGTH_BITS) | len(m))]
            expansions += m
    classes = [v for run in combining_classes() for v in run]
    compositions = [v for triple in composition_pairs() for v in triple]

    version = unicodedata.unidata_version
    text = f"""\
// Generated by scripts/unicode_fold_tables.py from Python {sys.version_info.major}.{sys.version_info.minor}'s unicodedata,
// Unicode {version}. Do not edit; regenerate with
//   python3 scripts/unicode_fold_tables.py leaf/search/unicode_fold_tables.cpp
// {len(mapping)} folded code points, {len(classes) // 3} combining class runs,
// {len(compositions) // 3} composition pairs.
#include "leaf/search/unicode_fold_tables.h"

namespace ambrine::fold_tables {{

const char kUnicodeVersion[] = "{version}";

const std::uint32_t kFold[] = {{
{packed(fold_pairs)}
}};
const std::size_t kFoldSize = std::size(kFold);

const std::uint32_t kFoldExpansions[] = {{
{packed(expansions)}
}};

const std::uint32_t kCombiningClasses[] = {{
{packed(classes)}
}};
const std::size_t kCombiningClassesSize = std::size(kCombiningClasses);

const std::uint32_t kCompositions[] = {{
{packed(compositions)}
}};
const std::size_t kCompositionsSize = std::size(kCompositions);

}}  // namespace ambrine::fold_tables
"""
    with open(output, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    main()
