// swrctl log --alarms on a file whose alarms table reads but whose halts do
// not: the listing fails and says so instead of printing nothing as a
// success.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>

#include "harness.h"
#include "station/core/exit_status.h"
#include "station/log/log_store.h"
#include "tests/station/log/temp_log.h"

namespace {

bool Sql(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  bool ok = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
            sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok;
}

TEST(SwrctlLog, AlarmsListedOrTheReadFailureSaid) {
  const std::string path = station::TempLog("swrctl-alarms");
  {
    std::ostringstream err;
    station::StationLog log({path, 30, 3650}, err);
    std::string error;
    ASSERT_TRUE(log.Open(error)) << error;  // makes the schema
  }
  ASSERT_TRUE(Sql(path, "INSERT INTO alarms(raised_unix_ms, sensor, swr, peak_swr, power,"
                        " limit_swr, window_from_unix_ms, window_to_unix_ms)"
                        " VALUES(1700000000000, 1, 3.0, 3.5, 100, 2.0, 0, 0)"));
  harness::Harness h;
  harness::Outcome o = h.Run({"log", "--log", path, "--alarms", "--format", "json"});
  EXPECT_EQ(o.status, swrctl::kExitOk) << o.err;
  EXPECT_EQ(harness::Lines(o.out).size(), 1u) << o.out;

  ASSERT_TRUE(Sql(path, "DROP TABLE alarm_halts"));
  o = h.Run({"log", "--log", path, "--alarms", "--format", "json"});
  EXPECT_EQ(o.status, swrctl::kExitFailure) << o.out;
  EXPECT_NE(o.err.find("cannot read the station log " + path + ": "), std::string::npos) << o.err;
}

}  // namespace
