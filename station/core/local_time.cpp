// The ISO 8601 time stamp and the calendar under it; see local_time.h.
#include "station/core/local_time.h"

#include <cstdio>
#include <cstdlib>

namespace station {
namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b < 0 ? 1 : 0); }

}  // namespace

std::string FormatTimestamp(const LocalTime& t) {
  const int offset = std::abs(t.utcOffsetMinutes);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", t.year,
                t.month, t.day, t.hour, t.minute, t.second, t.millisecond,
                t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

LocalTime LocalTimeAt(std::int64_t unixMs, int utcOffsetMinutes) {
  const std::int64_t ms = unixMs + std::int64_t{utcOffsetMinutes} * 60000;
  const std::int64_t days = FloorDiv(ms, 86400000);
  const std::int64_t inDay = ms - days * 86400000;
  // Days since 1970-01-01 to the civil date, in eras of 400 years from 0000-03-01.
  const std::int64_t z = days + 719468;
  const std::int64_t era = FloorDiv(z, 146097);
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  LocalTime t;
  t.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.year = static_cast<int>(yoe + era * 400 + (t.month <= 2));
  t.hour = static_cast<int>(inDay / 3600000);
  t.minute = static_cast<int>(inDay / 60000 % 60);
  t.second = static_cast<int>(inDay / 1000 % 60);
  t.millisecond = static_cast<int>(inDay % 1000);
  t.utcOffsetMinutes = utcOffsetMinutes;
  return t;
}

bool TimestampOffset(const std::string& stamp, int& utcOffsetMinutes) {
  if (stamp.size() < 6) return false;
  const char* p = stamp.c_str() + stamp.size() - 6;
  const auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if ((p[0] != '+' && p[0] != '-') || !digit(p[1]) || !digit(p[2]) || p[3] != ':' ||
      !digit(p[4]) || !digit(p[5])) {
    return false;
  }
  const int minutes = ((p[1] - '0') * 10 + (p[2] - '0')) * 60 + (p[4] - '0') * 10 + (p[5] - '0');
  utcOffsetMinutes = p[0] == '-' ? -minutes : minutes;
  return true;
}

}  // namespace station
