// The station log's times and query strings, as the API and swrctl log take
// them: a typo must be an error, never a silently different range.
#include "station/log/log_params.h"

#include <gtest/gtest.h>

namespace station {
namespace {

TEST(LogParams, Times) {
  const struct {
    const char* text;
    bool ok;
    std::int64_t unixMs;  // checked when ok and not 0
  } cases[] = {
      {"1796800000000", true, 1796800000000},
      {"2026-12-09T13:30:00Z", true, 1796823000000},
      {"2026-12-09T14:30:00.250+01:00", true, 1796823000250},
      {"2026-12-09T08:30-05:00", true, 1796823000000},
      {"2024-02-29T00:00Z", true, 1709164800000},
      {"2026-12-09", true, 0},
      {"2026-12-09T14:30", true, 0},
      {"2025-02-29", false, 0},
      {"2026-13-01", false, 0},
      {"2026-12-09T24:00Z", false, 0},
      {"2026-12-09 14:30", false, 0},
      {"2026-12-09T14:30:00+0100", false, 0},
      {"2026-12-09T14:30:00.Z", false, 0},
      {"yesterday", false, 0},
      {"-5", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    std::int64_t ms = 0;
    EXPECT_EQ(ParseLogTime(c.text, ms), c.ok) << c.text;
    if (c.ok && c.unixMs != 0) {
      EXPECT_EQ(ms, c.unixMs) << c.text;
    }
  }
  // A date alone is local midnight, the start of that day.
  std::int64_t day = 0, noon = 0;
  ASSERT_TRUE(ParseLogTime("2026-12-09", day));
  ASSERT_TRUE(ParseLogTime("2026-12-09T12:00", noon));
  EXPECT_EQ(noon - day, 12 * 3600000);
  EXPECT_EQ(LocalMidnight(noon), day);
  EXPECT_EQ(LocalMidnight(day), day);
}

TEST(LogParams, QueryStrings) {
  std::map<std::string, std::string> p;
  std::string error;
  ASSERT_TRUE(ParseQueryString("from=2026-12-09T14%3A30%2B01%3A00&limit=5&", {"from", "limit"}, p,
                               error));
  EXPECT_EQ(p["from"], "2026-12-09T14:30+01:00");
  EXPECT_EQ(p["limit"], "5");
  EXPECT_FALSE(ParseQueryString("limit=1&limit=2", {"limit"}, p, error));
  EXPECT_EQ(error, "the parameter limit is given twice");
  EXPECT_FALSE(ParseQueryString("colour=red", {"from", "to"}, p, error));
  EXPECT_EQ(error, "unknown parameter 'colour' (parameters here: from, to)");
  EXPECT_FALSE(ParseQueryString("from=%2", {"from"}, p, error));
  EXPECT_FALSE(ParseQueryString("from=%zz", {"from"}, p, error));
}

}  // namespace
}  // namespace station
