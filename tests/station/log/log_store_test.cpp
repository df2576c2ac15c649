// The station log on a real SQLite file: what is committed survives a
// restart, a second server and a foreign file are refused, a full disk
// pauses recording until writes work again; and the queries behind the API.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "station/log/health_seed.h"
#include "station/log/log_db.h"
#include "station/log/log_queries.h"
#include "station/log/log_store.h"
#include "temp_log.h"
#include "tests/station/log/old_schema.h"

namespace station {
namespace {

// A recent moment (an hour ago, 40 s into a minute), so that the
// retention keeps what the tests write.
const std::int64_t kBase = std::chrono::duration_cast<std::chrono::seconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                                   .count() / 60 * 60 - 3600 + 40;
const std::int64_t kBaseMs = kBase * 1000;

std::string Contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Transmission Tx(std::int64_t startMs, double peak) {
  Transmission t;
  t.startUnixMs = startMs;
  t.endUnixMs = startMs + 2500;
  t.start = "start";
  t.end = "end";
  t.sensor = 1;
  t.peakPower = peak;
  t.averagePower = peak / 2;
  t.maxSwr = 1.5;
  t.readings = 25;
  return t;
}

DetectorOutput Seconds(std::int64_t first, int n) {
  DetectorOutput out;
  for (int i = 0; i < n; ++i) out.seconds.push_back({first + i, 10.0 + i % 7, 1.2});
  return out;
}

std::int64_t Count(const std::string& path, const char* table) {
  LogDb db;
  std::string error;
  if (db.Open(path, false, error) != LogOpen::Ok) return -1;
  std::int64_t n = -1;
  db.QueryInt((std::string("SELECT count(*) FROM ") + table).c_str(), n, error);
  return n;
}

// Waits up to 60 s for the writer to get somewhere (a loaded machine, Wine).
template <typename F>
bool Eventually(F done) {
  for (int i = 0; i < 600 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return done();
}

// Writes `out` through a writer of its own, started and stopped; false
// when the file cannot be opened or recording stopped.
bool Record(const std::string& path, DetectorOutput out, int keepTransmissionDays = 3650) {
  StationLog log({path, 30, keepTransmissionDays}, std::cerr);
  std::string error;
  if (!log.Open(error)) {
    ADD_FAILURE() << error;
    return false;
  }
  log.Start();
  log.Add(std::move(out));
  log.Stop();
  return log.State().recording;
}

TEST(StationLogFile, RestartKeepsWhatWasCommitted) {
  const std::string path = TempLog("restart");
  for (int run = 0; run < 2; ++run) {
    DetectorOutput out = Seconds(kBase + run * 100, 50);
    out.transmissions.push_back(Tx(kBaseMs + run * 100000, 100 + run));
    EXPECT_TRUE(Record(path, std::move(out)));
  }
  EXPECT_EQ(Count(path, "transmissions"), 2);
  EXPECT_EQ(Count(path, "history"), 100);
  EXPECT_EQ(Count(path, "history_minute"), 4);  // two runs of 50 s, two minutes each
}

TEST(StationLogFile, SecondServerIsRefusedWhileReadersStillRead) {
  const std::string path = TempLog("second");
  StationLog first({path, 30, 3650}, std::cerr);
  std::string error;
  ASSERT_TRUE(first.Open(error)) << error;
  first.Start();
  DetectorOutput out;
  out.transmissions.push_back(Tx(kBaseMs, 50));
  first.Add(std::move(out));
  StationLog second({path, 30, 3650}, std::cerr);
  EXPECT_FALSE(second.Open(error));
  EXPECT_NE(error.find("another swrctl serve is recording to " + path), std::string::npos) << error;
  EXPECT_TRUE(Eventually([&] { return Count(path, "transmissions") == 1; }));
  first.Stop();
}

TEST(StationLogFile, ForeignFilesAreRefusedAndLeftUntouched) {
  const std::string text = TempLog("foreign-text");
  std::ofstream(text, std::ios::binary) << "name,call\nA,B\n";
  const std::string other = TempLog("foreign-sqlite");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
  sqlite3_exec(db, "CREATE TABLE contacts(call TEXT); INSERT INTO contacts VALUES('X')", nullptr,
               nullptr, nullptr);
  sqlite3_close(db);
  for (const std::string& path : {text, other}) {
    const std::string before = Contents(path);
    StationLog log({path, 30, 3650}, std::cerr);
    std::string error;
    EXPECT_FALSE(log.Open(error)) << path;
    EXPECT_NE(error.find("refused and left untouched"), std::string::npos) << error;
    EXPECT_FALSE(log.Usable());
    log.Stop();
    EXPECT_EQ(Contents(path), before) << path;
  }
}

TEST(StationLogFile, FullDiskPausesRecordingUntilWritesWorkAgain) {
  const std::string path = TempLog("full");
  std::ostringstream err;
  StationLog log({path, 30, 3650}, err);
  std::string error;
  ASSERT_TRUE(log.Open(error)) << error;
  log.Start();
  log.Add(Seconds(kBase, 10));
  ASSERT_TRUE(Eventually([&] { return Count(path, "history") == 10; }));
  log.LimitPages(1);  // no page beyond those there are
  log.Add(Seconds(kBase + 10, 3000));
  ASSERT_TRUE(Eventually([&] { return !log.State().recording; }));
  EXPECT_NE(log.State().error.find("full"), std::string::npos) << log.State().error;
  // More than the backlog holds: the oldest are dropped and counted.
  log.Add(Seconds(kBase + 3010, 1000));
  ASSERT_TRUE(Eventually([&] { return log.State().secondsLost == 400; }));
  log.LimitPages(0);
  ASSERT_TRUE(Eventually([&] { return log.State().recording; }));
  log.Stop();
  EXPECT_EQ(Count(path, "history"), 10 + 4000 - 400);
  EXPECT_EQ(log.State().secondsLost, 400u);
  const std::string said = err.str();
  EXPECT_NE(said.find("cannot write the station log " + path), std::string::npos) << said;
  EXPECT_NE(said.find("is written again (400 seconds"), std::string::npos) << said;
  EXPECT_EQ(said.find("cannot write", said.find("cannot write") + 1), std::string::npos) << said;
}

TEST(StationLogQueries, PagesFiltersHistoryAndSummary) {
  const std::string path = TempLog("queries");
  DetectorOutput out = Seconds(kBase, 600);
  for (int i = 0; i < 25; ++i) out.transmissions.push_back(Tx(kBaseMs + i * 10000, i));
  out.transmissions[3].band = "20m";
  out.transmissions[3].sensor = 2;
  ASSERT_TRUE(Record(path, std::move(out)));
  LogDb db;
  std::string error;
  ASSERT_EQ(db.Open(path, false, error), LogOpen::Ok) << error;
  TransmissionQuery q;
  q.limit = 10;
  std::vector<double> peaks;
  for (int page = 0; page < 4; ++page) {
    TransmissionPage p;
    ASSERT_TRUE(QueryTransmissions(db, q, p, error)) << error;
    for (const Transmission& t : p.items) peaks.push_back(t.peakPower);
    if (!p.next) break;
    q.after = p.next;
  }
  ASSERT_EQ(peaks.size(), 25u);  // newest first, none twice
  for (std::size_t i = 0; i < peaks.size(); ++i) EXPECT_EQ(peaks[i], 24.0 - i);

  TransmissionQuery ranged;
  ranged.from = kBaseMs + 50000;
  ranged.to = kBaseMs + 100000;
  TransmissionPage p;
  ASSERT_TRUE(QueryTransmissions(db, ranged, p, error));
  EXPECT_EQ(p.items.size(), 5u);
  TransmissionQuery band;
  band.band = "20m";
  ASSERT_TRUE(QueryTransmissions(db, band, p, error));
  ASSERT_EQ(p.items.size(), 1u);
  EXPECT_EQ(p.items[0].sensor, 2);

  std::vector<HistoryPoint> points;
  ASSERT_TRUE(QueryHistory(db, kBaseMs, kBaseMs + 600000, 60000, points, error));
  ASSERT_EQ(points.size(), 11u);
  EXPECT_EQ(points[0].unixMs, (kBase - 40) * 1000);  // the minute holding the first second
  ASSERT_TRUE(QueryHistory(db, kBaseMs, kBaseMs + 10000, 5000, points, error));
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(*points[0].power, 14);

  std::vector<SummaryRow> rows;
  ASSERT_TRUE(QuerySummary(db, kBaseMs, kBaseMs + 250000, rows, error));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].transmissions, 24);
  EXPECT_EQ(rows[0].onAirMs, 24 * 2500);
  EXPECT_EQ(rows[1].band.value_or(""), "20m");
  // A year (the long-range plan) sums up the same.
  std::vector<SummaryRow> year;
  ASSERT_TRUE(QuerySummary(db, kBaseMs - 365LL * 86400000, kBaseMs + 250000, year, error)) << error;
  ASSERT_EQ(year.size(), 2u);
  EXPECT_EQ(year[0].transmissions, 24);
  EXPECT_EQ(year[1].maxSwr, rows[1].maxSwr);
}

// The summary as the queries give it (reference = false) or as the
// transmissions themselves give it, one line per sensor and band.
std::string Summary(const std::string& path, std::int64_t fromMs, std::int64_t toMs,
                    bool reference = false) {
  LogDb db;
  std::string error;
  std::vector<SummaryRow> rows;
  std::ostringstream out;
  out << std::fixed << std::setprecision(6);
  if (db.Open(path, false, error) != LogOpen::Ok) return error;
  if (!reference) {
    if (!QuerySummary(db, fromMs, toMs, rows, error)) return error;
    for (const SummaryRow& r : rows) {
      out << r.sensor << ' ' << r.band.value_or("-") << ' ' << r.transmissions << ' '
          << r.onAirMs << ' ' << r.peakPower << ' ' << r.maxSwr.value_or(-1) << '\n';
    }
    return out.str();
  }
  Statement s(db.get(), "SELECT printf('%d %s %d %d %.6f %.6f', sensor, ifnull(band, '-'),"
                        " count(*), sum(end_unix_ms - start_unix_ms), max(peak_power),"
                        " ifnull(max(max_swr), -1)) FROM transmissions"
                        " WHERE start_unix_ms >= ?1 AND start_unix_ms < ?2"
                        " GROUP BY sensor, band ORDER BY sensor, band");
  sqlite3_bind_int64(s.get(), 1, fromMs);
  sqlite3_bind_int64(s.get(), 2, toMs);
  while (sqlite3_step(s.get()) == SQLITE_ROW) out << sqlite3_column_text(s.get(), 0) << '\n';
  return out.str();
}

// Summaries of many days read whole days from a per-day table: they must
// say what the transmissions say, for ranges that cut days anywhere, on a
// file made before that table (read as it is, then migrated), and after
// pruning has cut the oldest day in two.
TEST(StationLogQueries, SummariesOfDaysAgreeWithTheTransmissions) {
  const std::string path = TempLog("days");
  const std::int64_t nowMs = kBaseMs + 3600000;
  DetectorOutput out;
  for (int h = 1; h < 6 * 24; ++h) {  // hourly; older ones are stronger, so pruning them shows
    Transmission t = Tx(nowMs - h * 3600000LL - 1234, 100 + h);
    t.sensor = 1 + h % 2;
    if (h % 3 != 0) t.band = h % 3 == 1 ? "40m" : "20m";
    t.maxSwr = h % 4 == 0 ? std::nullopt : std::optional<double>(1 + h / 100.0);
    out.transmissions.push_back(t);
  }
  ASSERT_TRUE(Record(path, std::move(out)));
  const std::int64_t day = 86400000;
  const std::int64_t ranges[][2] = {{nowMs - 10 * day, nowMs + day},
                                    {nowMs - 4 * day - 7777, nowMs - day / 3},
                                    {nowMs - 30 * 3600000LL, nowMs - 20 * 3600000LL},
                                    {nowMs / day * day - 2 * day, nowMs / day * day},
                                    {nowMs + day, nowMs + 2 * day}};
  const auto agree = [&](const char* when) {
    for (const auto& r : ranges) {
      EXPECT_EQ(Summary(path, r[0], r[1]), Summary(path, r[0], r[1], true)) << when << r[0];
    }
  };
  agree("kept by the trigger");
  {
    LogDb db;
    std::string error;
    ASSERT_EQ(db.Open(path, true, error), LogOpen::Ok);
    // A schema-1 file: without the tables of later versions.
    ASSERT_TRUE(db.Exec((kDropAfterQsos + "DROP TABLE qsos; DROP TABLE transmission_days;"
                        " DROP TRIGGER transmission_days_add;"
                         " PRAGMA user_version=1").c_str(), error)) << error;
  }
  agree("read before the migration");
  ASSERT_TRUE(Record(path, DetectorOutput{}));
  agree("made by the migration");
  ASSERT_TRUE(Record(path, DetectorOutput{}, 3));  // prunes the oldest days, the fourth back in part
  EXPECT_LT(Count(path, "transmissions"), 6 * 24 - 24);
  agree("mended after pruning");
}

// A restart keeps each band's baseline and a warning in progress: the
// newest transmissions of each sensor and band, up to the window, oldest first.
TEST(StationLogQueries, HealthStartsFromTheLog) {
  const std::string path = TempLog("health");
  DetectorOutput out;
  const double swr40[] = {2.5, 2.5, 1.3, 1.3, 1.3, 1.8, 1.8, 1.8};  // the oldest two fall out
  for (int i = 0; i < 8; ++i) {
    Transmission t = Tx(kBaseMs + i * 10000, 100);
    t.band = "40m";
    t.swrAtPeak = swr40[i];
    out.transmissions.push_back(t);
  }
  Transmission other = Tx(kBaseMs + 90000, 50);
  other.sensor = 2;
  other.band = "20m";
  other.swrAtPeak = 1.1;
  out.transmissions.push_back(other);
  out.transmissions.push_back(Tx(kBaseMs + 95000, 50));  // no band: not counted
  ASSERT_TRUE(Record(path, std::move(out)));
  HealthSettings settings;
  settings.window = 6;
  AntennaHealth health(settings);
  std::string error;
  ASSERT_TRUE(SeedHealth(path, health, error)) << error;
  const std::vector<BandHealth> table = health.Table();
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(table[0].band, "40m");
  EXPECT_EQ(table[0].transmissions, 6);
  EXPECT_DOUBLE_EQ(table[0].baseline.value_or(0), 1.3);
  EXPECT_EQ(table[0].aboveInRow, 3);
  EXPECT_TRUE(table[0].warning);
  EXPECT_EQ(table[1].sensor, 2);
  EXPECT_EQ(table[1].transmissions, 1);
  AntennaHealth none;
  EXPECT_TRUE(SeedHealth(TempLog("health-missing"), none, error));
  EXPECT_TRUE(none.Table().empty());
}

}  // namespace
}  // namespace station
