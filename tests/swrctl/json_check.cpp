// The strict JSON reader of the swrctl tests; see json_check.h.
#include "json_check.h"

#include <cstdlib>
#include <cstring>

namespace jsoncheck {
namespace {

struct Reader {
  const std::string& s;
  std::size_t i = 0;
  std::string error;

  bool Fail(const char* what) {
    if (error.empty()) error = std::string(what) + " at offset " + std::to_string(i);
    return false;
  }
  void Blanks() {
    while (i < s.size() && std::strchr(" \t\r\n", s[i]) != nullptr && s[i] != '\0') ++i;
  }
  bool Literal(const char* word) {
    const std::size_t n = std::strlen(word);
    if (s.compare(i, n, word) != 0) return Fail("bad literal");
    i += n;
    return true;
  }
  bool Digits() {
    const std::size_t start = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
    return i > start;
  }
  bool Number(Value& v) {
    const std::size_t start = i;
    if (s[i] == '-') ++i;
    if (i < s.size() && s[i] == '0') {
      ++i;
    } else if (!Digits()) {
      return Fail("bad number");
    }
    if (i < s.size() && s[i] == '.') {
      ++i;
      if (!Digits()) return Fail("bad fraction");
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
      ++i;
      if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
      if (!Digits()) return Fail("bad exponent");
    }
    v.type = Value::Type::Number;
    v.number = std::strtod(s.substr(start, i - start).c_str(), nullptr);
    return true;
  }
  bool String(std::string& out) {
    ++i;  // the opening quote
    while (i < s.size()) {
      const unsigned char c = static_cast<unsigned char>(s[i++]);
      if (c == '"') return true;
      if (c < 0x20) return Fail("control character in string");
      if (c != '\\') {
        out += static_cast<char>(c);
        continue;
      }
      if (i >= s.size()) break;
      const char e = s[i++];
      if (e == 'u') {
        for (int k = 0; k < 4; ++k, ++i) {
          if (i >= s.size() || std::strchr("0123456789abcdefABCDEF", s[i]) == nullptr ||
              s[i] == '\0') {
            return Fail("bad \\u escape");
          }
        }
        out += '?';
      } else if (std::strchr("\"\\/bfnrt", e) != nullptr && e != '\0') {
        out += e;
      } else {
        return Fail("bad escape");
      }
    }
    return Fail("unterminated string");
  }
  bool Parse(Value& v, int depth) {
    if (depth > 64) return Fail("too deep");
    Blanks();
    if (i >= s.size()) return Fail("value expected");
    switch (s[i]) {
      case 'n': v.type = Value::Type::Null; return Literal("null");
      case 't': v.type = Value::Type::Bool; v.boolean = true; return Literal("true");
      case 'f': v.type = Value::Type::Bool; return Literal("false");
      case '"': v.type = Value::Type::String; return String(v.text);
      case '[': {
        v.type = Value::Type::Array;
        ++i;
        Blanks();
        if (i < s.size() && s[i] == ']') { ++i; return true; }
        for (;;) {
          v.items.emplace_back();
          if (!Parse(v.items.back(), depth + 1)) return false;
          Blanks();
          if (i < s.size() && s[i] == ',') { ++i; continue; }
          if (i < s.size() && s[i] == ']') { ++i; return true; }
          return Fail("',' or ']' expected");
        }
      }
      case '{': {
        v.type = Value::Type::Object;
        ++i;
        Blanks();
        if (i < s.size() && s[i] == '}') { ++i; return true; }
        for (;;) {
          Blanks();
          if (i >= s.size() || s[i] != '"') return Fail("member name expected");
          std::string name;
          if (!String(name)) return false;
          Blanks();
          if (i >= s.size() || s[i] != ':') return Fail("':' expected");
          ++i;
          v.members.emplace_back(name, Value{});
          if (!Parse(v.members.back().second, depth + 1)) return false;
          Blanks();
          if (i < s.size() && s[i] == ',') { ++i; continue; }
          if (i < s.size() && s[i] == '}') { ++i; return true; }
          return Fail("',' or '}' expected");
        }
      }
      default:
        if (s[i] == '-' || (s[i] >= '0' && s[i] <= '9')) return Number(v);
        return Fail("unexpected character");
    }
  }
};

}  // namespace

const Value* Value::Member(const std::string& name) const {
  for (const auto& m : members) {
    if (m.first == name) return &m.second;
  }
  return nullptr;
}

bool Parse(const std::string& text, Value& out, std::string& error) {
  Reader r{text, 0, {}};
  out = Value{};
  bool ok = r.Parse(out, 0);
  if (ok) {
    r.Blanks();
    if (r.i != text.size()) ok = r.Fail("text after the value");
  }
  error = r.error;
  return ok;
}

}  // namespace jsoncheck
