// The ISO 8601 time stamp that watch's lines and the service's readings
// carry, and the calendar that turns a moment into a LocalTime.
#pragma once

#include <cstdint>
#include <string>

#include "measure/local_time.h"

namespace station {

using swr::LocalTime;

// ISO 8601 with milliseconds and the offset: "2026-12-08T18:03:12.345+01:00".
std::string FormatTimestamp(const LocalTime& time);

// The moment unixMs at the given offset from UTC (proleptic Gregorian).
LocalTime LocalTimeAt(std::int64_t unixMs, int utcOffsetMinutes);

// The offset of one of FormatTimestamp's stamps ("...+01:00" -> 60); false
// when the text does not end in one.
bool TimestampOffset(const std::string& stamp, int& utcOffsetMinutes);

}  // namespace station
