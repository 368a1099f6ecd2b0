// The tool's JSON output: objects and arrays written as "key": value pairs
// separated by ", ", strings escaped and kept UTF-8. The text may hold a
// leaf's form and names, so it is built in one buffer that is wiped when it
// grows and when the writer ends, and printed without a stdio copy.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ambrine {

class JsonWriter {
 public:
  JsonWriter() = default;
  // Wipes the text.
  ~JsonWriter();
  JsonWriter(const JsonWriter&) = delete;
  JsonWriter& operator=(const JsonWriter&) = delete;

  // "{" and "}", "[" and "]". Each value inside an array, and each Key
  // inside an object, after the first is preceded by ", ".
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // `"name": ` inside an object; the next call writes its value.
  JsonWriter& Key(std::string_view name);
  // `text` quoted, with '"', '\\' and control characters escaped; bytes that
  // are not well-formed UTF-8 become U+FFFD.
  JsonWriter& String(std::string_view text);
  JsonWriter& Number(std::uint64_t value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // What was written so far.
  const std::string& text() const { return text_; }
  // Writes the text and a line end to standard output, then wipes the text
  // and starts anew. False when standard output could not take it all.
  bool PrintLine();

 private:
  // ", " before a value or key that is not the first in its container.
  void Separate();
  // A container's bracket, and its end.
  void Open(const char* bracket);
  void Close(const char* bracket);
  void Append(std::string_view bytes);
  // `text` as a JSON string, quotes included.
  void Quote(std::string_view text);

  std::string text_;
  // Per open container: whether it holds an item yet.
  std::vector<bool> started_;
  bool afterKey_ = false;
};

}  // namespace ambrine
