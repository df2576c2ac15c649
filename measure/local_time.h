// A moment on the local wall clock with its offset from UTC: what the
// panel's status bar shows and what the station's readings are stamped with.
#pragma once

namespace swr {

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

}  // namespace swr
