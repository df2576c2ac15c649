// A strict little JSON reader for checking swrctl's json lines: the whole
// text must be one JSON value (RFC 8259 grammar) and nothing else.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace jsoncheck {

struct Value {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  double number = 0;
  std::string text;                                     // String
  std::vector<Value> items;                             // Array
  std::vector<std::pair<std::string, Value>> members;   // Object, in order

  const Value* Member(const std::string& name) const;
};

// false (with `error` set) when `text` is not exactly one JSON value.
bool Parse(const std::string& text, Value& out, std::string& error);

}  // namespace jsoncheck
