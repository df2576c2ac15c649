// The ISO 8601 time stamp; see local_time.h.
#include "station/core/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace swrctl {

std::string FormatTimestamp(const LocalTime& t) {
  const int offset = std::abs(t.utcOffsetMinutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year,
                t.month, t.day, t.hour, t.minute, t.second, t.millisecond,
                t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

}  // namespace swrctl
