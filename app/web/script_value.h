// A value passed between the page's script and the program, with the kind
// the dispatcher's conversion rules look at.
#pragma once

#include <cstdint>
#include <string>

namespace ambrine {

struct ScriptValue {
  enum class Kind {
    Missing,  // no argument given
    String,   // a JavaScript string
    Int32,    // an integral JavaScript number within the 32-bit range
    Int16,
    Byte,
    Other,    // any other number, boolean, null, undefined, object
  };

  Kind kind = Kind::Missing;
  std::string text;       // String: UTF-8
  std::int32_t number = 0;  // Int32, Int16, Byte

  static ScriptValue String(std::string s) { return {Kind::String, std::move(s), 0}; }
  static ScriptValue Int32(std::int32_t n) { return {Kind::Int32, {}, n}; }
  static ScriptValue Other() { return {Kind::Other, {}, 0}; }

  bool isString() const { return kind == Kind::String; }
};

// The integer an index argument stands for: a string's leading decimal number
// (leading white space and a sign allowed, no digits gives 0), a number's
// value, 0 for anything else.
std::int32_t IntegerOf(const ScriptValue& value);

}  // namespace ambrine
