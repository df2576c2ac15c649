// The antenna's health and the alarm without a transceiver: the option
// parsers, baseline and drift, the alarm's latch, the JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "station/health/antenna_health.h"
#include "station/health/health_json.h"
#include "station/health/health_options.h"
#include "station/health/swr_alarm.h"

namespace station {
namespace {

TEST(HealthOptions, RangesAndSteps) {
  int tenths = 0, ms = 0, window = 0;
  double watts = 0, margin = 0;
  std::string e;
  EXPECT_TRUE(ParseSwrAlarmLimit("1.0", tenths, e) && tenths == 10);
  EXPECT_TRUE(ParseSwrAlarmLimit("4", tenths, e) && tenths == 40);
  for (const char* bad : {"0.9", "4.1", "2.55", "2.", ".5", "", "-2", "02.0", "1e0"}) {
    EXPECT_FALSE(ParseSwrAlarmLimit(bad, tenths, e)) << bad;
  }
  EXPECT_EQ(e, "--swr-alarm must be an SWR of 1.0 to 4.0 in steps of 0.1, not '1e0'");
  EXPECT_TRUE(ParseSwrAlarmHold("0.5", ms, e) && ms == 500 && !ParseSwrAlarmHold("0", ms, e));
  EXPECT_TRUE(ParseSwrAlarmPower("100", watts, e) && !ParseSwrAlarmPower("2001", watts, e));
  EXPECT_TRUE(ParseHealthWindow("3", window, e) && !ParseHealthWindow("1001", window, e));
  EXPECT_TRUE(ParseHealthMargin("0.2", margin, e) && margin == 0.2 && !ParseHealthMargin("0.0", margin, e));
  int before = 0, after = 0;
  EXPECT_TRUE(ParseAlarmWindow("10,5", before, after, e) && before == 10 && after == 5);
  for (const char* bad : {"10", "0,5", "61,5", "10,", ",5", "10,5,1", "1.5,2"}) {
    EXPECT_FALSE(ParseAlarmWindow(bad, before, after, e)) << bad;
  }
}

// Feeds SWR values in order to one sensor and band; returns each row after.
std::vector<BandHealth> Feed(AntennaHealth& health, const std::vector<double>& swrs) {
  std::vector<BandHealth> rows;
  std::int64_t t = 1'000;
  for (double swr : swrs) {
    health.Add({1, "40m", swr, 100, t += 1000});
    rows.push_back(health.Table().at(0));
  }
  return rows;
}

TEST(AntennaHealth, BaselineWarningAndClearing) {
  HealthSettings s;
  s.window = 6;
  struct Case {
    const char* name;
    std::vector<double> swrs;
    double baseline;  // after the last
    int aboveInRow;
    bool warning;
  };
  const Case cases[] = {
      {"steady", {1.3, 1.2, 1.4, 1.3}, 1.3, 0, false},
      {"one outlier", {1.3, 1.3, 1.3, 2.0, 1.3}, 1.3, 0, false},
      {"two above: no warning yet", {1.3, 1.3, 1.3, 1.7, 1.8}, 1.3, 2, false},
      {"three above warn; baseline held", {1.3, 1.3, 1.3, 1.7, 1.8, 1.9}, 1.3, 3, true},
      {"back to baseline clears", {1.3, 1.3, 1.3, 1.7, 1.8, 1.9, 1.4}, 1.3, 0, false},
      {"just within margin", {1.3, 1.3, 1.3, 1.6, 1.6, 1.6}, 1.45, 0, false},
      {"a full window above is the new normal", {1.3, 1.3, 1.3, 2, 2, 2, 2, 2, 2}, 2.0, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AntennaHealth health(s);
    const BandHealth last = Feed(health, c.swrs).back();
    ASSERT_TRUE(last.baseline);
    EXPECT_NEAR(*last.baseline, c.baseline, 1e-9);
    EXPECT_EQ(last.aboveInRow, c.aboveInRow);
    EXPECT_EQ(last.warning, c.warning);
    EXPECT_EQ(last.latest, c.swrs.back());
  }
  // Too little power, no band or no SWR: not trusted, not counted.
  AntennaHealth health(s);
  EXPECT_FALSE(health.Add({1, "40m", 1.3, 2, 1}) || health.Add({1, "", 1.3, 100, 1}) ||
               health.Add({1, "40m", 0, 100, 1}));
  // Before minHistory no baseline; the trend once there are four.
  const std::vector<BandHealth> rows = Feed(health, {1.2, 1.2, 1.4, 1.4});
  EXPECT_FALSE(rows[1].baseline);
  EXPECT_FALSE(rows[2].trend);
  EXPECT_NEAR(*rows[3].trend, 0.2, 1e-9);
  // Rows by sensor, then band plan order.
  health.Add({2, "20m", 1.5, 100, 1});
  health.Add({1, "80m", 1.5, 100, 1});
  const std::vector<BandHealth> table = health.Table();
  ASSERT_EQ(table.size(), 3u);
  EXPECT_TRUE(table[0].band == "80m" && table[1].band == "40m" && table[2].sensor == 2);
  // Each antenna of a sensor and band keeps a row and a baseline of its own.
  for (int i = 0; i < 3; ++i) health.Add({2, "20m", 2.5, 100, 2, 7});
  const std::vector<BandHealth> antennas = health.Table();
  ASSERT_EQ(antennas.size(), 4u);
  EXPECT_FALSE(antennas[2].antenna);
  EXPECT_EQ(antennas[3].antenna, 7);
  EXPECT_NEAR(*antennas[3].baseline, 2.5, 1e-9);
  EXPECT_EQ(antennas[2].transmissions, 1);
}

TEST(SwrAlarm, LatchesAfterTheHoldAndStaysUntilAcknowledged) {
  SwrAlarm alarm({20, 1000, 5.0, 500});
  std::int64_t t = 0;
  auto feed = [&](double watts, double swr, bool tx = true, int step = 100) {
    t += step;
    return alarm.Feed({1, watts, swr, t, 1'700'000'000'000 + t, std::nullopt}, "15m", tx);
  };
  for (int i = 0; i < 5; ++i) feed(100, 3.0);  // a key-down spike: 0.4 s over
  for (int i = 0; i < 60; ++i) {  // too little power, not transmitting, at the limit
    feed(i < 20 ? 2 : 100, i < 40 ? 3.0 : 2.0, i < 20 || i >= 40);
  }
  feed(100, 3.0, true, 400);
  feed(100, 3.0, true, 400);
  feed(100, 3.0, true, 600);  // a gap in the readings restarts the hold
  feed(100, 3.0, true, 400);
  EXPECT_FALSE(alarm.State().raised);
  feed(100, 1.5);
  for (int i = 0; i < 10; ++i) EXPECT_FALSE(feed(100, 2.1));
  EXPECT_TRUE(feed(100, 2.2));  // 1 s over: raised
  EXPECT_TRUE(alarm.State().raised && alarm.State().band == "15m" && alarm.State().swr == 2.2);
  for (int i = 0; i < 20; ++i) feed(0, 0, false);  // the transmission ends: still raised
  feed(100, 2.6);
  EXPECT_TRUE(alarm.State().raised);
  EXPECT_DOUBLE_EQ(alarm.State().peakSwr, 2.6);
  EXPECT_TRUE(alarm.Acknowledge("http", 1) && !alarm.Acknowledge("http", 2) && !alarm.State().raised);
  for (int i = 0; i < 9; ++i) feed(100, 3.0);  // a new alarm needs a hold of its own
  EXPECT_FALSE(alarm.State().raised);
  for (int i = 0; i < 2; ++i) feed(100, 3.0);
  EXPECT_TRUE(alarm.State().raised);
  // Off: never raised.
  SwrAlarm off;
  for (int i = 0; i < 50; ++i) off.Feed({1, 100, 3.9, i * 100, 0, std::nullopt}, "", true);
  EXPECT_FALSE(off.State().raised);
}

// Speech: words over the limit with pauses of too little power between them.
// A pause shorter than the gap holds on, a longer one restarts the hold.
TEST(SwrAlarm, HoldsAcrossThePausesOfSpeech) {
  SwrAlarm voice({20, 1000, 5.0, 500});
  std::int64_t t = 0;
  const auto word = [&](int pauseReadings) {
    for (int i = 0; i < 3 + pauseReadings; ++i) {
      t += 100;
      const bool spoken = i < 3;
      voice.Feed({1, spoken ? 100.0 : 1.0, spoken ? 3.0 : 1.0, t, t, std::nullopt}, "20m", true);
    }
  };
  word(6);
  word(6);  // 0.6 s pauses: each word starts over
  EXPECT_FALSE(voice.State().raised);
  word(3);
  word(3);
  EXPECT_FALSE(voice.State().raised);  // 0.8 s over so far
  word(3);
  EXPECT_TRUE(voice.State().raised);
}

TEST(HealthJson, RigAlarmAndBands) {
  RigState rig;
  rig.connected = true;
  rig.frequencyHz = 7100000;
  rig.ptt = true;
  SetBand(rig);
  EXPECT_EQ(RigJson(rig), R"({"connected":true,"frequency_hz":7100000,"band":"40m","mode":null,)"
                          R"("passband_hz":null,"ptt":true,"antenna":null})");
  AlarmState a;
  a.raised = true;
  a.unixMs = 1'700'000'000'000;
  a.sensor = 2;
  a.band = "15m";
  a.swr = 2.34567;
  a.peakSwr = 2.5;
  a.watts = 95.55;
  a.halts.push_back({"rigctld", "answered", "RPRT 0", 1'700'000'000'012, 12});
  EXPECT_EQ(AlarmJson(a, {25, 1000, 5.0, 500, true}),
            R"({"enabled":true,"limit":2.5,"hold_ms":1000,"min_watts":5.0,"raised":true,)"
            R"("unix_ms":1700000000000,"sensor":2,"sensor_name":null,"band":"15m","swr":2.35,)"
            R"("peak_swr":2.5,)"
            R"("halt":true,"frequency_hz":null,"power":95.6,"acknowledged_unix_ms":null,)"
            R"("acknowledged_via":null,"halts":[{"target":"rigctld","outcome":"answered",)"
            R"("detail":"RPRT 0","unix_ms":1700000000012,"delay_ms":12}]})");
  AntennaHealth health;
  health.Add({1, "40m", 1.3, 100, 5});
  EXPECT_EQ(BandsJson(health.Table(), health.Settings()),
            R"({"window":20,"margin":0.3,"run":3,"min_watts":5.0,"rows":[{"sensor":1,)"
            R"("sensor_name":null,"band":"40m","antenna":null,)"
            R"("transmissions":1,"baseline":null,"latest":1.3,"latest_unix_ms":5,"trend":null,)"
            R"("above_in_row":0,"warning":false}]})");
}

}  // namespace
}  // namespace station
