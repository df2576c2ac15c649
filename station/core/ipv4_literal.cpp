// Four decimal parts of 0..255 without leading zeros; see ipv4_literal.h.
#include "station/core/ipv4_literal.h"

namespace station {
namespace {

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

bool Ipv4Literal(const std::string& text, int& first) {
  int parts = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string part = text.substr(start, dot == std::string::npos ? dot : dot - start);
    if (!AllDigits(part) || part.size() > 3 || std::stoi(part) > 255) return false;
    if (part.size() > 1 && part[0] == '0') return false;  // octal elsewhere
    if (parts == 0) first = std::stoi(part);
    ++parts;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts == 4;
}

bool Ipv4Literal(const std::string& text) {
  int first = 0;
  return Ipv4Literal(text, first);
}

}  // namespace station
