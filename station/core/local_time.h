// A moment in local time with its offset from UTC, and the ISO 8601 time
// stamp that watch's lines and the service's readings carry.
#pragma once

#include <cstdint>
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

// The moment unixMs at the given offset from UTC (proleptic Gregorian).
LocalTime LocalTimeAt(std::int64_t unixMs, int utcOffsetMinutes);

// The offset of one of FormatTimestamp's stamps ("...+01:00" -> 60); false
// when the text does not end in one.
bool TimestampOffset(const std::string& stamp, int& utcOffsetMinutes);

}  // namespace swrctl
