// What search reads of a leaf's page and form text: the words a person sees
// or typed, not the markup or the form's own structure.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ambrine {

// The text of an HTML document: tags, comments and the contents of script
// and style elements dropped, character references decoded, each run of
// white space (and every tag boundary) made one space.
std::string DocumentText(std::string_view html);

// The values of a form text. A text that holds a JSON object or array
// (after an optional first line naming its format, as the default form
// writes it) gives its string, number and literal values with escapes
// decoded, one per line, and none of its member names; any other text is
// given as it is.
std::string FormValuesText(std::string_view form);

// The most of a page's text or of a form's values that search keeps: a
// record's words fit many times over, and a leaf made to be huge cannot
// make search hold gigabytes.
constexpr std::size_t kMaxSearchableBytes = std::size_t{4} << 20;

// Shortens `text` to at most `limit` bytes, never inside a UTF-8 sequence.
void CutUtf8(std::string& text, std::size_t limit);

}  // namespace ambrine
