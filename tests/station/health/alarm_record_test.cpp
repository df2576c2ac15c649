// The ring under a controller at 1000 reports/s, and an alarm recorded with
// its acknowledgement, halt and readings, read back after a restart.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "station/health/alarm_recorder.h"
#include "station/log/alarm_store.h"
#include "station/log/log_db.h"
#include "station/log/log_store.h"
#include "tests/station/log/temp_log.h"

namespace station {
namespace {

RingReading At(std::int64_t ms) { return RingReading{1'700'000'000'000 + ms, ms, 1, 100, 1.5}; }

// 1000 reports/s and 2000/s: the ring keeps the window whole at the first,
// and never more than its capacity at either.
TEST(ReadingRing, KeepsTheWindowAtAThousandReportsASecondAndNoMore) {
  const AlarmWindow window{10000, 5000};
  ReadingRing ring(RingCapacity(window));
  EXPECT_EQ(ring.Capacity(), 16000u);
  for (std::int64_t ms = 0; ms < 30000; ++ms) ring.Push(At(ms));
  EXPECT_EQ(ring.Size(), ring.Capacity());
  const std::int64_t raised = 24000;
  const std::vector<RingReading> around =
      ring.Between(raised - window.beforeMs - 1, raised + window.afterMs);
  ASSERT_EQ(around.size(), 15001u);
  EXPECT_EQ(around.front().steadyMs, raised - window.beforeMs);
  EXPECT_EQ(around.back().steadyMs, raised + window.afterMs);
  for (std::int64_t half = 0; half < 60000; ++half) ring.Push(At(30000 + half / 2));
  EXPECT_EQ(ring.Between(-1, 1 << 30).size(), ring.Capacity());
}

// Readings pushed while another thread takes windows (for TSan).
TEST(ReadingRing, PushAndTakeFromTwoThreads) {
  ReadingRing ring(1000);
  std::thread device([&ring] {
    for (std::int64_t ms = 0; ms < 20000; ++ms) ring.Push(At(ms));
  });
  std::size_t most = 0;
  for (int i = 0; i < 200; ++i) most = std::max(most, ring.Between(-1, 1 << 30).size());
  device.join();
  EXPECT_LE(most, 1000u);
}

TEST(AlarmRecord, RecordedWithItsReadingsAndReadBackAfterARestart) {
  const std::string path = TempLog("alarm-record");
  std::ostringstream err;
  {
    StationLog log({path, 30, 3650}, err);
    std::string error;
    ASSERT_TRUE(log.Open(error)) << error;
    log.Start();
    AlarmSettings settings;
    settings.limitTenths = 20;
    settings.holdMs = 100;
    settings.halt = true;
    SwrAlarm alarm(settings);
    AlarmRecorder recorder(alarm, AlarmWindow{1000, 500}, err);
    alarm.SetListener([&recorder] { recorder.Changed(); });
    recorder.SetSink([&log](AlarmEvent e) { log.AddAlarm(std::move(e)); });
    recorder.SetHalters({{"rigctld", [](std::function<void(const HaltReport&)> done) {
                            done({"sent", "T 0", 1, 10'000'005});
                            done({"answered", "RPRT 0", 2, 10'000'007});
                          }}});
    // 1000 readings a second: 2.5 s at SWR 1.2, then 1 s at 3.0.
    const std::int64_t t0 = 10'000'000;
    for (std::int64_t ms = 0; ms < 3500; ++ms) {
      const double swr = ms < 2500 ? 1.2 : 3.0;
      recorder.OnReading({1'700'000'000'000 + ms, t0 + ms, 1, 100.0, swr});
      alarm.Feed({1, 100, swr, t0 + ms, 1'700'000'000'000 + ms, 7'100'000}, "40m", true);
      recorder.Tick(t0 + ms);
    }
    ASSERT_TRUE(alarm.State().raised);
    EXPECT_TRUE(alarm.Acknowledge("mqtt", 1'700'000'004'000));
    recorder.Tick(t0 + 10000);
    log.Stop();
  }
  LogDb db;
  std::string error;
  ASSERT_EQ(db.Open(path, false, error), LogOpen::Ok) << error;
  AlarmPage page;
  ASSERT_TRUE(QueryAlarms(db, TransmissionQuery{}, page, error)) << error;
  ASSERT_EQ(page.items.size(), 1u);
  AlarmRecord a;
  bool found = false;
  ASSERT_TRUE(ReadAlarm(db, page.items[0].id, a, found, error) && found) << error;
  EXPECT_EQ(a.unixMs, 1'700'000'002'600);  // held 100 ms over the limit
  EXPECT_EQ(a.band, "40m");
  EXPECT_EQ(a.frequencyHz, 7'100'000);
  EXPECT_DOUBLE_EQ(a.swr, 3.0);
  EXPECT_DOUBLE_EQ(a.limit, 2.0);
  EXPECT_EQ(a.acknowledgedVia, "mqtt");
  ASSERT_EQ(a.halts.size(), 1u);
  EXPECT_EQ(a.halts[0].outcome, "answered");
  EXPECT_EQ(a.halts[0].delayMs, 10'000'005 - (10'000'000 + 2600));  // when it left
  EXPECT_TRUE(a.complete);
  EXPECT_EQ(a.readings, 1501);
  std::vector<RingReading> rows;
  ASSERT_TRUE(EachAlarmReading(db, a.id, [&rows](const RingReading& r) { rows.push_back(r); },
                               error));
  ASSERT_EQ(rows.size(), 1501u);
  EXPECT_EQ(rows.front().unixMs, a.unixMs - 1000);
  EXPECT_EQ(rows.back().unixMs, a.unixMs + 500);
  EXPECT_DOUBLE_EQ(rows.back().swr, 3.0);
  EXPECT_NE(err.str().find("rigctld to stop transmitting: answered (RPRT 0)"), std::string::npos)
      << err.str();
}

}  // namespace
}  // namespace station
