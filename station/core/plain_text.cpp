// The shared text rules; see plain_text.h.
#include "station/core/plain_text.h"

#include <cstddef>

#include "device/commands.h"

namespace station {

bool ParseNumber(const std::string& text, long max, long& out) {
  if (text.empty() || text.size() > 10) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    // Stops before passing `max`: ten digits overflow a 32-bit long
    // (Windows), and 4294967346 must not come out as 50.
    if (value > (max - (c - '0')) / 10) return false;
    value = value * 10 + (c - '0');
  }
  if (value > max) return false;
  out = value;
  return true;
}

bool ParsePort(const std::string& digits, unsigned short& port) {
  long value = 0;
  const bool leadingZero = !digits.empty() && digits[0] == '0';
  if (digits.size() > 5 || leadingZero || !ParseNumber(digits, 65535, value)) return false;
  port = static_cast<unsigned short>(value);
  return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string AcceptedWatts() {
  std::string list;
  const std::size_t n = sizeof(swr::kPowerRanges) / sizeof(swr::kPowerRanges[0]);
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) list += i + 1 == n ? " or " : ", ";
    list += std::to_string(swr::kPowerRanges[i].watts);
  }
  return list;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool PercentDecode(const std::string& text, std::string& out, bool plusIsSpace) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += plusIsSpace && text[i] == '+' ? ' ' : text[i];
      continue;
    }
    const int high = i + 2 < text.size() ? HexDigitValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexDigitValue(text[i + 2]) : -1;
    if (low < 0) return false;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return true;
}

}  // namespace station
