// The pure parts of the rig link and the antenna's health: band edges, the
// rigctld answer parser, the option parsers, baseline and drift, the
// alarm's latch, the JSON.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "station/health/antenna_health.h"
#include "station/health/health_json.h"
#include "station/health/health_options.h"
#include "station/health/swr_alarm.h"
#include "station/rig/bands.h"
#include "station/rig/rig_options.h"
#include "station/rig/rig_protocol.h"

namespace swrctl {
namespace {

TEST(Bands, EveryEdgeBelongsToItsBandAndOneHertzBeyondDoesNot) {
  // The plan's data checked against the allocations it must cover.
  const std::vector<std::tuple<const char*, std::int64_t, std::int64_t>> expected = {
      {"2200m", 135'700, 137'800}, {"630m", 472'000, 479'000}, {"160m", 1'800'000, 2'000'000},
      {"80m", 3'500'000, 4'000'000}, {"60m", 5'250'000, 5'450'000}, {"40m", 7'000'000, 7'300'000},
      {"30m", 10'100'000, 10'150'000}, {"20m", 14'000'000, 14'350'000},
      {"17m", 18'068'000, 18'168'000}, {"15m", 21'000'000, 21'450'000},
      {"12m", 24'890'000, 24'990'000}, {"10m", 28'000'000, 29'700'000},
      {"6m", 50'000'000, 54'000'000}, {"4m", 69'900'000, 70'500'000},
      {"2m", 144'000'000, 148'000'000}, {"1.25m", 219'000'000, 225'000'000},
      {"70cm", 420'000'000, 450'000'000}, {"33cm", 902'000'000, 928'000'000},
      {"23cm", 1'240'000'000, 1'300'000'000}};
  ASSERT_EQ(BandPlan().size(), expected.size());
  for (const auto& [name, low, high] : expected) {
    SCOPED_TRACE(name);
    for (std::int64_t hz : {low, (low + high) / 2, high}) {
      ASSERT_NE(BandOf(hz), nullptr);
      EXPECT_STREQ(BandOf(hz)->name, name);
    }
    EXPECT_EQ(BandOf(low - 1), nullptr);
    EXPECT_EQ(BandOf(high + 1), nullptr);
  }
  RigState outside;
  outside.frequencyHz = 10'000'000;  // a time signal, in no band
  SetBand(outside);
  EXPECT_EQ(outside.band, "");
  EXPECT_EQ(*outside.frequencyHz, 10'000'000);
}

TEST(RigReply, ParsesAnswersAndRefusesGarbage) {
  using S = RigReplyStatus;
  struct Case {
    const char* bytes;
    RigAsk ask;
    S status;
    std::int64_t hz;  // 0: none
    const char* mode;
    int passband;     // 0: none
    int ptt;          // -1: none
    bool unsupported;
  };
  const RigAsk all{true, true}, noPtt{false, true}, pttOnly{true, false};
  const Case cases[] = {
      {"0\n7100000\nUSB\n2400\n", all, S::Complete, 7100000, "USB", 2400, 0, false},
      {"1\r\n14074000.000000\r\nPKTUSB\r\n3000\r\n", all, S::Complete, 14074000, "PKTUSB", 3000, 1, false},
      {"RPRT -11\n145000000\nFM\n15000\n", all, S::Complete, 145000000, "FM", 15000, -1, true},
      {"3550000\nCW\n0\n", noPtt, S::Complete, 3550000, "CW", 0, -1, false},
      {"RPRT -5\nRPRT -5\n", noPtt, S::Complete, 0, "", 0, -1, false},
      {"0\n7100000\nUS", all, S::Incomplete, 7100000, "", 0, 0, false},
      {"0\n7100000\nUSB\n", all, S::Incomplete, 7100000, "", 0, 0, false},
      {"", all, S::Incomplete, 0, "", 0, -1, false},
      {"hello\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n-7100000\nUSB\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUS B\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\nwide\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\n2400\n0\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n99999999999999\nUSB\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\n2400\nx", all, S::Bad, 0, "", 0, -1, false},
      {"1\n", pttOnly, S::Complete, 0, "", 0, 1, false},
      {"RPRT -11\n", pttOnly, S::Complete, 0, "", 0, -1, true},
      {"0\n7100000\n", pttOnly, S::Bad, 0, "", 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const RigReply r = ParseRigReply(c.bytes, c.ask);
    ASSERT_EQ(r.status, c.status);
    if (c.status == S::Bad) {
      EXPECT_FALSE(r.bad.empty());
      continue;
    }
    EXPECT_EQ(r.frequencyHz.value_or(0), c.hz);
    if (c.status == S::Complete) {
      EXPECT_EQ(r.mode, c.mode);
      EXPECT_EQ(r.passbandHz.value_or(0), c.passband);
    }
    EXPECT_EQ(r.ptt ? int(*r.ptt) : -1, c.ptt);
    EXPECT_EQ(r.pttUnsupported, c.unsupported);
  }
  // A line or an answer without end is refused as soon as it is too long.
  EXPECT_EQ(ParseRigReply(std::string(kRigMaxLine + 1, '7'), all).status, S::Bad);
  EXPECT_EQ(ParseRigReply(std::string(kRigMaxReply + 1, '\n'), all).status, S::Bad);
  EXPECT_EQ(ParseRigReply("RPRT -5\n", all).rigError, "t: RPRT -5");
}

TEST(RigOptions, HostAndPort) {
  struct Case {
    const char* text;
    const char* host;  // nullptr: refused
    unsigned short port;
  };
  const Case cases[] = {
      {"127.0.0.1", "127.0.0.1", 4532}, {"127.0.0.1:4533", "127.0.0.1", 4533},
      {"[::1]", "::1", 4532}, {"[::1]:9", "::1", 9}, {"shack-pi.local:4532", "shack-pi.local", 4532},
      {"::1", nullptr, 0}, {"127.0.0.1:0", nullptr, 0}, {"127.0.0.1:65536", nullptr, 0},
      {"host:", nullptr, 0}, {"1.2.3", nullptr, 0}, {"-bad", nullptr, 0}, {"a b", nullptr, 0},
      {"", nullptr, 0}, {"[::1", nullptr, 0}, {"[zz::1]:4532", nullptr, 0}, {"h:04532", nullptr, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RigAddress a;
    std::string error;
    ASSERT_EQ(ParseRigAddress(c.text, a, error), c.host != nullptr) << error;
    if (!c.host) {
      EXPECT_NE(error.find("--rig must be HOST or HOST:PORT"), std::string::npos);
      continue;
    }
    EXPECT_EQ(a.host, c.host);
    EXPECT_EQ(a.port, c.port);
  }
  EXPECT_EQ(RigAddressText({"::1", 4532}), "[::1]:4532");
}

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
    return alarm.Feed({1, watts, swr, t, 1'700'000'000'000 + t}, "15m", tx);
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
  EXPECT_TRUE(alarm.Acknowledge() && !alarm.Acknowledge() && !alarm.State().raised);
  for (int i = 0; i < 9; ++i) feed(100, 3.0);  // a new alarm needs a hold of its own
  EXPECT_FALSE(alarm.State().raised);
  for (int i = 0; i < 2; ++i) feed(100, 3.0);
  EXPECT_TRUE(alarm.State().raised);
  // Off: never raised.
  SwrAlarm off;
  for (int i = 0; i < 50; ++i) off.Feed({1, 100, 3.9, i * 100, 0}, "", true);
  EXPECT_FALSE(off.State().raised);
}

TEST(HealthJson, RigAlarmAndBands) {
  RigState rig;
  rig.connected = true;
  rig.frequencyHz = 7100000;
  rig.ptt = true;
  SetBand(rig);
  EXPECT_EQ(RigJson(rig), R"({"connected":true,"frequency_hz":7100000,"band":"40m","mode":null,)"
                          R"("passband_hz":null,"ptt":true,"antenna":null})");
  const AlarmState a{true, 1'700'000'000'000, 2, "15m", 2.34567, 2.5, 1};
  EXPECT_EQ(AlarmJson(a, {25, 1000, 5.0, 500}),
            R"({"enabled":true,"limit":2.5,"hold_ms":1000,"min_watts":5.0,"raised":true,)"
            R"("unix_ms":1700000000000,"sensor":2,"sensor_name":null,"band":"15m","swr":2.35,)"
            R"("peak_swr":2.5})");
  AntennaHealth health;
  health.Add({1, "40m", 1.3, 100, 5});
  EXPECT_EQ(BandsJson(health.Table(), health.Settings()),
            R"({"window":20,"margin":0.3,"run":3,"min_watts":5.0,"rows":[{"sensor":1,)"
            R"("sensor_name":null,"band":"40m","antenna":null,)"
            R"("transmissions":1,"baseline":null,"latest":1.3,"latest_unix_ms":5,"trend":null,)"
            R"("above_in_row":0,"warning":false}]})");
}

}  // namespace
}  // namespace swrctl
