// QSOs: the matcher against real FT8/FT4 cycle timings, a QSO written
// before its last transmission and one before any (and what the log tells
// of them), and a schema-2 file read as it is and migrated by the writer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "station/log/log_db.h"
#include "station/log/log_store.h"
#include "tests/station/log/old_schema.h"
#include "station/log/qso.h"
#include "station/log/qso_store.h"
#include "temp_log.h"

namespace station {
namespace {

// Midnight of a recent day plus 12:00 UTC: inside the writer's retention.
const std::int64_t kNoon =
    std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch()).count() / 86400000 * 86400000 -
    86400000 + 43200000;

Transmission Over(double startS, double seconds, const char* band, double peak, double swr) {
  Transmission t;
  t.startUnixMs = kNoon + static_cast<std::int64_t>(startS * 1000);
  t.endUnixMs = t.startUnixMs + static_cast<std::int64_t>(seconds * 1000);
  t.start = t.end = "local";
  t.sensor = peak > 90 ? 2 : 1;
  t.peakPower = peak;
  t.averagePower = peak * 0.8;
  t.maxSwr = swr;
  t.readings = 10;
  t.band = band;
  return t;
}

Qso Contact(const char* mode, double onS, double offS, const char* band = "20m") {
  Qso q;
  q.call = "DL1XYZ";
  q.mode = mode;
  q.band = band;
  q.timeOnMs = kNoon + static_cast<std::int64_t>(onS * 1000);
  q.timeOffMs = kNoon + static_cast<std::int64_t>(offS * 1000);
  return q;
}

// FT8: 12.64 s from 0.5 s into each 15 s slot; our overs every other slot.
// FT4: 5.04 s from 0.5 s into each 7.5 s slot.
TEST(QsoMatch, CyclesBandsAndNoTransmissions) {
  const std::vector<Transmission> ft8 = {
      Over(-29.5, 12.64, "20m", 50, 1.3),  // the CQ before, answered by another station
      Over(0.5, 12.64, "20m", 100, 1.5),   Over(30.5, 12.64, "20m", 98, 1.6),
      Over(60.5, 12.64, "20m", 99, 1.4),   // the 73
      Over(45.5, 12.64, "40m", 70, 2.5),   // another band
      Over(90.5, 12.64, "20m", 60, 1.2),   // the next QSO's first over
  };
  const std::vector<Transmission> ft4 = {
      Over(-14.5, 5.04, "20m", 40, 1.1), Over(0.5, 5.04, "20m", 40, 1.2),
      Over(15.5, 5.04, "20m", 45, 1.3),  Over(30.5, 5.04, "20m", 42, 1.2),
      Over(45.5, 5.04, "20m", 30, 1.1),
  };
  const std::vector<Transmission> phone = {Over(20, 30, "20m", 400, 1.9)};
  struct Case {
    const char* name;
    Qso qso;
    const std::vector<Transmission>* list;
    int transmissions;
    double peak;
    double maxSwr;
  } cases[] = {
      {"FT8 logged after its 73", Contact("FT8", 0, 75), &ft8, 3, 100, 1.6},
      {"FT8 in lower case, time on late in the slot", Contact("ft8", 10, 75), &ft8, 3, 100, 1.6},
      {"FT8 logged before its 73 ended", Contact("FT8", 0, 62), &ft8, 3, 100, 1.6},
      {"FT8 on the other band", Contact("FT8", 0, 75, "40m"), &ft8, 1, 70, 2.5},
      {"FT4 over three cycles", Contact("FT4", 0, 37.5), &ft4, 3, 45, 1.3},
      {"FT4 in ADIF's upper-case band", Contact("FT4", 0, 37.5, "20M"), &ft4, 3, 45, 1.3},
      {"SSB to the minute, no time off", Contact("SSB", 0, 0), &phone, 1, 400, 1.9},
      {"no transmission of it", Contact("FT8", 3600, 3675), &ft8, 0, 0, 0},
      {"a band nobody uses", Contact("FT8", 0, 75, "6m"), &ft8, 0, 0, 0},
  };
  for (const Case& c : cases) {
    const auto m = MatchQso(c.qso, *c.list);
    ASSERT_EQ(m.has_value(), c.transmissions > 0) << c.name;
    if (!m) continue;
    EXPECT_EQ(m->transmissions, c.transmissions) << c.name;
    EXPECT_DOUBLE_EQ(m->peakPower, c.peak) << c.name;
    EXPECT_DOUBLE_EQ(*m->maxSwr, c.maxSwr) << c.name;
  }
  // Sums: time on the air, the average weighted by it, the peak's sensor.
  const Qso mixed = Contact("FT8", 0, 75);
  const auto m = MatchQso(mixed, {Over(0.5, 10, "20m", 100, 1.5), Over(30.5, 5, "20m", 40, 1.2)});
  ASSERT_TRUE(m);
  EXPECT_EQ(m->onAirMs, 15000);
  EXPECT_DOUBLE_EQ(m->averagePower, (80.0 * 10 + 32.0 * 5) / 15);
  EXPECT_EQ(m->sensor, 2);
  // The band from the frequency when the QSO names none.
  Qso byFrequency = Contact("FT8", 0, 75, "");
  byFrequency.frequencyHz = 14074000;
  EXPECT_EQ(MatchQso(byFrequency, ft8)->transmissions, 3);
}

std::vector<Qso> Qsos(const std::string& path) {
  LogDb db;
  std::string error;
  std::vector<Qso> out;
  EXPECT_EQ(db.Open(path, false, error), LogOpen::Ok) << error;
  EXPECT_TRUE(EachQsoOldestFirst(db, TransmissionQuery{}, [&](const Qso& q) {
    out.push_back(q);
    return true;
  }, error)) << error;
  return out;
}

template <typename F>
bool Eventually(F done) {
  for (int i = 0; i < 100 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return done();
}

TEST(QsoStore, FilledWhenItsTransmissionsArriveAfterIt) {
  const std::string path = TempLog("qso-late");
  StationLog log({path, 30, 3650}, std::cerr);
  std::string error;
  ASSERT_TRUE(log.Open(error)) << error;
  std::atomic<int> told{0};
  log.OnQsos([&told] { ++told; });
  log.Start();
  DetectorOutput first;
  first.transmissions = {Over(0.5, 12.64, "20m", 100, 1.5), Over(30.5, 12.64, "20m", 98, 1.6)};
  log.Add(first);
  log.AddQso(Contact("FT8", 0, 62));          // logged as its 73 goes out
  log.AddQso(Contact("FT8", 600, 675, "40m"));  // none of its overs written yet
  ASSERT_TRUE(Eventually([&] { return Qsos(path).size() == 2; }));
  std::vector<Qso> q = Qsos(path);
  EXPECT_EQ(q[0].measured->transmissions, 2);
  EXPECT_FALSE(q[1].measured);
  DetectorOutput later;
  later.transmissions = {Over(60.5, 12.64, "20m", 99, 1.9), Over(600.5, 12.64, "40m", 50, 1.1)};
  log.Add(later);
  ASSERT_TRUE(Eventually([&] { return log.Qsos().Newest() == 4; }));
  // Another band's over in the window changes no measurement: nothing told.
  DetectorOutput other;
  other.transmissions = {Over(70, 5, "15m", 40, 1.2)};
  log.Add(other);
  log.Stop();
  // Each stored, then each filled in, as committed; only the stored counted.
  std::vector<Qso> told4;
  EXPECT_EQ(log.Qsos().Since(0, told4), 4u);
  ASSERT_EQ(told4.size(), 4u);
  EXPECT_EQ(told4[0].id, 1);
  EXPECT_FALSE(told4[1].measured);
  EXPECT_EQ(told4[2].measured->transmissions + told4[3].measured->transmissions, 4);
  EXPECT_GE(told.load(), 2);
  const std::vector<QsoBandCount> counts = log.Qsos().Counts();
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0].band + counts[1].band, "20m40m");
  EXPECT_EQ(counts[0].qsos + counts[1].qsos, 2u);
  q = Qsos(path);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[0].measured->transmissions, 3);
  EXPECT_DOUBLE_EQ(*q[0].measured->maxSwr, 1.9);
  ASSERT_TRUE(q[1].measured);
  EXPECT_DOUBLE_EQ(q[1].measured->peakPower, 50);
}

TEST(QsoStore, SchemaTwoFileIsReadAsItIsAndMigratedByTheWriter) {
  const std::string path = TempLog("qso-schema2");
  {
    // A schema-2 file: what the writer made before the QSOs' table.
    StationLog log({path, 30, 3650}, std::cerr);
    std::string error;
    ASSERT_TRUE(log.Open(error)) << error;
    log.Start();
    DetectorOutput out;
    out.transmissions = {Over(0.5, 12.64, "20m", 100, 1.5)};
    log.Add(out);
    log.Stop();
    LogDb db;
    ASSERT_EQ(db.Open(path, true, error), LogOpen::Ok);
    ASSERT_TRUE(db.Exec((kDropAfterQsos + "DROP TABLE qsos; PRAGMA user_version=2").c_str(), error))
        << error;
  }
  LogDb reader;
  std::string error;
  ASSERT_EQ(reader.Open(path, false, error), LogOpen::Ok) << error;
  EXPECT_EQ(reader.schemaVersion(), 2);
  EXPECT_TRUE(Qsos(path).empty());
  reader.Close();
  StationLog log({path, 30, 3650}, std::cerr);
  ASSERT_TRUE(log.Open(error)) << error;
  log.Start();
  log.AddQso(Contact("FT8", 0, 20));
  log.Stop();
  ASSERT_EQ(reader.Open(path, false, error), LogOpen::Ok);
  EXPECT_EQ(reader.schemaVersion(), kLogSchemaVersion);
  const std::vector<Qso> q = Qsos(path);
  ASSERT_EQ(q.size(), 1u);
  ASSERT_TRUE(q[0].measured);  // matched against the transmission from before
  EXPECT_DOUBLE_EQ(q[0].measured->peakPower, 100);
}

}  // namespace
}  // namespace station
