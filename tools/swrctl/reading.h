// One printed line of swrctl watch: a time stamp and the panel's texts for
// one input report, as text, CSV or a JSON object.
#pragma once

#include <cstdint>
#include <string>

#include "tools/swrctl/options.h"

namespace swrctl {

// A moment in local time and the offset of local time from UTC then.
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

// The first line of CSV output; empty for the other formats.
std::string HeaderLine(Format format);

// The line for one 9-byte report, without the newline.
std::string ReadingLine(Format format, const LocalTime& time, const std::uint8_t* report);

}  // namespace swrctl
