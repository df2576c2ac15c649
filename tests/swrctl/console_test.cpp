// The platform's local time as swrctl stamps it.
#include <gtest/gtest.h>

#include "tools/swrctl/console.h"

namespace {

TEST(SwrctlConsole, LocalTimeIsPlausible) {
  const swrctl::LocalTime t = swrctl::LocalTimeNow();
  EXPECT_GE(t.year, 2020);
  EXPECT_GE(t.month, 1);
  EXPECT_LE(t.month, 12);
  EXPECT_GE(t.day, 1);
  EXPECT_LE(t.day, 31);
  EXPECT_LE(t.hour, 23);
  EXPECT_LE(t.minute, 59);
  EXPECT_LE(t.second, 60);
  EXPECT_LE(t.millisecond, 999);
  EXPECT_GE(t.utcOffsetMinutes, -12 * 60);
  EXPECT_LE(t.utcOffsetMinutes, 14 * 60);
}

}  // namespace
