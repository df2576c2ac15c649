// The QSOs and the alarms page by page as the transmissions do: newest
// first, rows of one time in id order, each once, no next after the last.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "station/log/alarm_store.h"
#include "station/log/log_db.h"
#include "station/log/log_store.h"
#include "station/log/qso_store.h"
#include "temp_log.h"

namespace station {
namespace {

using Cursor = std::optional<std::pair<std::int64_t, std::int64_t>>;
// Reads one page of `q`: its ids, and its next.
using ReadPage = std::function<bool(LogDb&, const TransmissionQuery&, std::vector<std::int64_t>&,
                                    Cursor&, std::string&)>;

template <typename Page>
ReadPage Reader(bool (*query)(LogDb&, const TransmissionQuery&, Page&, std::string&)) {
  return [query](LogDb& db, const TransmissionQuery& q, std::vector<std::int64_t>& ids,
                 Cursor& next, std::string& error) {
    Page page;
    if (!query(db, q, page, error)) return false;
    for (const auto& item : page.items) ids.push_back(item.id);
    next = page.next;
    return true;
  };
}

TEST(LogPages, QsosAndAlarmsNewestFirstEachOnce) {
  const std::string path = TempLog("pages");
  {
    std::ostringstream err;
    StationLog log({path, 30, 3650}, err);
    std::string error;
    ASSERT_TRUE(log.Open(error)) << error;
  }
  // Five of each; the 3rd and 4th at one time (ids 3, 4).
  std::string sql;
  for (int i = 1; i <= 5; ++i) {
    const std::string t = std::to_string(1'700'000'000'000 + (i == 4 ? 3 : i) * 60000);
    sql += "INSERT INTO qsos(id, call, grid, band, mode, report_sent, report_received,"
           " time_on_unix_ms, time_off_unix_ms, sender) VALUES(" + std::to_string(i) +
           ", 'AB1CD', '', '20m', 'FT8', '', '', " + t + ", " + t + ", 'test');"
           "INSERT INTO alarms(id, raised_unix_ms, sensor, swr, peak_swr, power, limit_swr,"
           " window_from_unix_ms, window_to_unix_ms) VALUES(" + std::to_string(i) + ", " + t +
           ", 1, 3, 3, 100, 2, 0, 0);";
  }
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(raw);
  sqlite3_close(raw);

  const std::vector<std::pair<const char*, ReadPage>> kinds = {
      {"qsos", Reader<QsoPage>(QueryQsos)}, {"alarms", Reader<AlarmPage>(QueryAlarms)}};
  LogDb db;
  std::string error;
  ASSERT_EQ(db.Open(path, false, error), LogOpen::Ok) << error;
  for (const auto& [name, read] : kinds) {
    TransmissionQuery q;
    q.limit = 2;
    std::vector<std::int64_t> ids;
    int pages = 0;
    for (Cursor next; pages < 5; ++pages) {
      ASSERT_TRUE(read(db, q, ids, next, error)) << name << ": " << error;
      if (!next) break;
      q.after = next;
    }
    EXPECT_EQ(pages, 2) << name;  // the third page, of one, says there is no more
    EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 4, 3, 2, 1})) << name;
  }
}

}  // namespace
}  // namespace station
