// Builds the tool's JSON text in a buffer that never leaves an unwiped copy.
#include "cli/json_writer.h"

#include <unistd.h>

#include <cstdio>

#include "base/secure_wipe.h"
#include "base/utf8.h"
#include "gpg/pipe_io.h"

namespace ambrine {

JsonWriter::~JsonWriter() { SecureWipe(text_); }

void JsonWriter::Append(std::string_view bytes) { AppendWiping(text_, bytes.data(), bytes.size()); }

void JsonWriter::Separate() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (started_.empty()) return;
  if (started_.back()) Append(", ");
  started_.back() = true;
}

void JsonWriter::Open(const char* bracket) {
  Separate();
  Append(bracket);
  started_.push_back(false);
}

void JsonWriter::Close(const char* bracket) {
  started_.pop_back();
  Append(bracket);
}

JsonWriter& JsonWriter::BeginObject() {
  Open("{");
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  Close("}");
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  Open("[");
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  Close("]");
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
  Separate();
  Quote(name);
  Append(": ");
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  Separate();
  Quote(text);
  return *this;
}

void JsonWriter::Quote(std::string_view text) {
  Append("\"");
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      const char escaped[2] = {'\\', static_cast<char>(c)};
      Append(std::string_view(escaped, 2));
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      Append(escaped);
      ++i;
    } else if (c < 0x80) {
      Append(text.substr(i, 1));
      ++i;
    } else if (const std::size_t length = Utf8SequenceAt(text, i)) {
      // A well-formed UTF-8 sequence is kept as it is.
      Append(text.substr(i, length));
      i += length;
    } else {
      std::string replacement;
      AppendUtf8(replacement, kReplacementCharacter);
      Append(replacement);
      ++i;
    }
  }
  Append("\"");
}

JsonWriter& JsonWriter::Number(std::uint64_t value) {
  Separate();
  Append(std::to_string(value));
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  Separate();
  Append(value ? "true" : "false");
  return *this;
}

JsonWriter& JsonWriter::Null() {
  Separate();
  Append("null");
  return *this;
}

bool JsonWriter::PrintLine() {
  Append("\n");
  const bool written = Succeeded(WritePipeString(STDOUT_FILENO, text_));
  SecureWipe(text_);
  started_.clear();
  afterKey_ = false;
  return written;
}

}  // namespace ambrine
