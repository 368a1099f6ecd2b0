// UTF-8 as the program reads and writes it: strict, so an overlong form, a
// surrogate or a value past U+10FFFF is no character. Pipes to gpg, JSON,
// search and the attachment viewer all decide alike what is valid.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ambrine {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The length of the valid UTF-8 sequence that starts at text[i], or 0 when
// none does; `codePoint` (when not null) gets its value.
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i, char32_t* codePoint = nullptr);

// Whether the whole of `text` is valid UTF-8.
bool IsValidUtf8(std::string_view text);

// Appends `cp` as UTF-8; U+FFFD for a value that is no character.
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace ambrine
