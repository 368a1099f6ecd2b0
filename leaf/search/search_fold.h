// The form in which search compares text: UTF-8 decoded to code points,
// every compatibility difference folded away (full-width and half-width
// forms, ligatures, circled and squared forms, ...) and letters in their
// case-folded form ("ß" and "ss", "ς" and "σ" alike), then composed
// canonically, so that "e" with a separate accent and "é" fold alike.
// Invisible code points (soft hyphen, joiners, variation selectors) are
// dropped.
// Folding the folded text changes nothing. Each folded code point
// remembers where it came from, so a match can be shown in the text as it
// was written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ambrine {

struct FoldedText {
  std::u32string text;
  // origin[i]: the byte offset in the source where the code point text[i]
  // came from began (for a composed one, where its first part began;
  // combining marks that folding put in another order keep the origins in
  // the order written); one more entry gives the source's length. Origins
  // never decrease.
  std::vector<std::size_t> origin;
};

// Folds `utf8`; a byte that is not part of valid UTF-8 becomes U+FFFD.
FoldedText FoldForSearch(std::string_view utf8);

// The folded code points alone (for the words searched for).
std::u32string FoldedWord(std::string_view utf8);

}  // namespace ambrine
