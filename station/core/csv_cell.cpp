// The cells of every CSV we write; see csv_cell.h.
#include "station/core/csv_cell.h"

#include <string_view>

namespace station {
namespace {

bool Digit(char c) { return c >= '0' && c <= '9'; }

// An optional '-', digits, and optionally '.' and digits: what our own
// numbers look like. "+Infinity", "-cmd" or "1e5" are not.
bool Decimal(const std::string& s) {
  std::size_t i = s.size() > 1 && s[0] == '-' ? 1 : 0;
  const std::size_t first = i;
  while (i < s.size() && Digit(s[i])) ++i;
  if (i == first) return false;
  if (i == s.size()) return true;
  if (s[i] != '.' || i + 1 == s.size()) return false;
  for (++i; i < s.size(); ++i) {
    if (!Digit(s[i])) return false;
  }
  return true;
}

}  // namespace

std::string CsvText(const std::string& text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  const std::string s = formula ? "'" + text : text;
  if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string CsvNumberOrText(const std::string& text) {
  return Decimal(text) ? text : CsvText(text);
}

}  // namespace station
