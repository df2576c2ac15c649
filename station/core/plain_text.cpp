// The shared text rules; see plain_text.h.
#include "station/core/plain_text.h"

#include <cstddef>

#include "device/actions.h"

namespace swrctl {

bool ParseNumber(const std::string& text, long max, long& out) {
  if (text.empty() || text.size() > 10) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > max) return false;
  out = value;
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

}  // namespace swrctl
