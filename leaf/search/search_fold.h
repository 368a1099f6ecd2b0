// The form in which search compares text: UTF-8 decoded to code points,
// full-width and half-width forms brought to their ordinary forms (as NFKC
// does for them), kana with a separate voicing mark composed, and letters
// in lower case. Each folded code point remembers where it came from, so a
// match can be shown in the text as it was written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace ambrine {

struct FoldedText {
  std::u32string text;
  // origin[i]: the byte offset in the source where text[i] began; one more
  // entry gives the source's length.
  std::vector<std::size_t> origin;
};

// Folds `utf8`; a byte that is not part of valid UTF-8 becomes U+FFFD.
FoldedText FoldForSearch(std::string_view utf8);

// The folded code points alone (for the words searched for).
std::u32string FoldedWord(std::string_view utf8);

}  // namespace ambrine
