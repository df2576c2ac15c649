// A moment in local time with its offset from UTC, and the ISO 8601 time
// stamp that watch's lines and the service's readings carry.
#pragma once

#include <string>

namespace swrctl {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int utcOffsetMinutes = 0;  // east of UTC is positive
};

// ISO 8601 with milliseconds and the offset: "2026-12-08T18:03:12.345+01:00".
std::string FormatTimestamp(const LocalTime& time);

}  // namespace swrctl
