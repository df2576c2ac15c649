// The parts of swrctl serve below any transport: the live state, commands
// from JSON, the write to the controller and the device loop, against the
// simulated controller.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/bus/sim_controller.h"
#include "station/core/clock.h"
#include "station/core/command_request.h"
#include "station/core/device_loop.h"
#include "station/core/live_state.h"
#include "tools/swrctl/options.h"

namespace station {
using namespace ::swrctl;  // the command line these cases read
namespace {

using Report = std::array<std::uint8_t, 9>;

// byte 2 sensor, 3 forward, 4 reflected, 5 divisor, 6 SWR x 10
Report Bytes(int sensor, int forward, int reflected, int divisor, int swrTenths) {
  return Report{0, 0, static_cast<std::uint8_t>(sensor), static_cast<std::uint8_t>(forward),
                static_cast<std::uint8_t>(reflected), static_cast<std::uint8_t>(divisor),
                static_cast<std::uint8_t>(swrTenths), 0, 0};
}

// The reading's numbers are those the panel shows, exactly: 1.7, not the
// 1.7000000000000002 of its text read back digit by digit.
TEST(LiveState, NumbersOnlyWhereThePanelShowsOne) {
  struct Case {
    Report report;
    const char* power;
    const char* swr;
    std::optional<double> watts, swrValue;
  };
  const Case cases[] = {
      {Bytes(1, 255, 0, 1, 17), "1300.0", "1.7", 1300.0, 1.7},
      {Bytes(1, 0, 255, 1, 10), "-1300.0", "1.0", -1300.0, 1.0},
      {Bytes(1, 10, 0, 7, 9), "0.3", "***", 0.3, std::nullopt},
      {Bytes(1, 50, 0, 0, 5), "+Infinity", "***", std::nullopt, std::nullopt},
      {Bytes(1, 0, 50, 0, 5), "-Infinity", "***", std::nullopt, std::nullopt},
      {Bytes(1, 0, 0, 0, 5), "***", "***", std::nullopt, std::nullopt},
  };
  for (const Case& c : cases) {
    LiveState live;
    live.Publish(c.report.data(), 0, 0, "");
    const Reading r = live.Get(0).reading;
    EXPECT_STREQ(TextsOf(r).power, c.power);
    EXPECT_STREQ(TextsOf(r).swr, c.swr);
    EXPECT_EQ(r.power, c.watts) << c.power;
    EXPECT_EQ(r.swr, c.swrValue) << c.swr;
  }
}

TEST(LiveState, KeepsTheNewestReadingWithTextsNumbersAndRawBytes) {
  LiveState live;
  const Report first = Bytes(2, 100, 20, 1, 15);
  live.Publish(first.data(), 1000, 10, "t1");
  const Report noSensor = Bytes(7, 50, 0, 0, 5);  // K = 0: +Infinity, SWR "***"
  live.Publish(noSensor.data(), 1040, 50, "t2");
  const Snapshot s = live.Get(50);
  EXPECT_EQ(s.reading.sequence, 2u);
  EXPECT_EQ(s.reading.time, "t2");
  EXPECT_EQ(s.reading.sensor, 2);  // kept, as the panel's field
  EXPECT_STREQ(TextsOf(s.reading).sensor, "2");
  EXPECT_STREQ(TextsOf(s.reading).power, "+Infinity");
  EXPECT_STREQ(TextsOf(s.reading).swr, "***");
  EXPECT_FALSE(s.reading.power);
  EXPECT_FALSE(s.reading.swr);
  EXPECT_EQ(s.reading.raw, noSensor);
  EXPECT_EQ(s.peakPower, 192.0);  // from the first reading, 40 ms ago
}

TEST(LiveState, PeakCoversOnlyTheLastTwoSeconds) {
  LiveState live;
  const Report high = Bytes(1, 255, 0, 1, 10);  // 1300.0 W
  const Report low = Bytes(1, 100, 20, 1, 10);  // 192.0 W
  live.Publish(high.data(), 0, 1000, "");
  live.Publish(low.data(), 100, 1100, "");
  EXPECT_EQ(live.Get(2900).peakPower, 1300.0);
  EXPECT_EQ(live.Get(3001).peakPower, 192.0);
  EXPECT_FALSE(live.Get(3200).peakPower);
}

TEST(LiveState, EnergyHoldsEachPowerUntilTheNextReadingButNotOverGaps) {
  LiveState live;
  live.SetConnected(true);
  const Report watts192 = Bytes(2, 100, 20, 1, 15);
  const Report negative = Bytes(2, 20, 100, 1, 15);
  live.Publish(watts192.data(), 0, 1000, "");
  live.Publish(watts192.data(), 0, 1500, "");  // 192 W for 0.5 s: 96 J
  live.Publish(negative.data(), 0, 2000, "");  // another 96 J
  live.Publish(watts192.data(), 0, 2500, "");  // negative power adds nothing
  live.Publish(watts192.data(), 0, 9000, "");  // a gap of 6.5 s is no transmission
  live.SetConnected(false);
  live.Publish(watts192.data(), 0, 9500, "");  // nor is a time without the controller
  EXPECT_DOUBLE_EQ(live.Get(9500).energyJoules[1], 192.0);
  EXPECT_EQ(live.Get(9500).energyJoules[0], 0.0);
}

TEST(LiveState, HistoryHoldsTheMaximaOfHalfSecondSlotsForTenMinutes) {
  LiveState live;
  const Report a = Bytes(1, 100, 20, 1, 15);  // 192.0 W, 1.5
  const Report b = Bytes(1, 255, 0, 1, 30);   // 1300.0 W, 3.0
  live.Publish(a.data(), 10'000, 0, "");
  live.Publish(b.data(), 10'400, 0, "");
  live.Publish(a.data(), 10'600, 0, "");
  std::vector<HistoryPoint> h = live.History(600, 10'600);
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(h[0].unixMs, 10'000);
  EXPECT_EQ(h[0].power, 1300.0);
  EXPECT_EQ(h[0].swr, 3.0);
  EXPECT_EQ(h[1].unixMs, 10'500);
  EXPECT_EQ(h[1].power, 192.0);
  EXPECT_EQ(live.History(0, 10'600).size(), 1u);  // the slot still open

  // Twenty minutes of readings: only the last ten are kept.
  for (std::int64_t t = 20'000; t < 20'000 + 1'200'000; t += 250) live.Publish(a.data(), t, 0, "");
  h = live.History(100000, 20'000 + 1'200'000);
  EXPECT_EQ(h.size(), 1200u);
  EXPECT_EQ(h.front().unixMs, 20'000 + 600'000);
}

// Drift and jitter are no step; more than 3 s either way is one, told once.
TEST(WallClockWatch, TellsStepsButNotDriftOrJitter) {
  const std::int64_t looks[][3] = {  // unix ms, steady ms, the step seen
      {1'000'000, 0, 0},         {1'000'021, 20, 0},        {1'003'000, 1'000, 0},
      {1'006'501, 1'500, 3'001}, {1'003'500, 2'000, -3'501}, {1'006'500, 5'000, 0}};
  WallClockWatch watch;
  for (const auto& l : looks) EXPECT_EQ(watch.Look(l[0], l[1]), l[2]) << l[1];
  EXPECT_EQ(ClockStepLine(-3'596'520).find("stepped back by 59 min 57 s;"), 23u);
  EXPECT_EQ(ClockStepLine(7'300'500).find("stepped ahead by 2 h 1 min 41 s;"), 23u);
}

TEST(LiveState, LinkChangesAreCountedAndToldToSubscribers) {
  LiveState live;
  std::vector<Changes> told, links;
  Subscription all = live.Subscribe(change::kAll, [&](Changes c) { told.push_back(c); });
  Subscription link = live.Subscribe(change::kLink, [&](Changes c) { links.push_back(c); });
  const std::uint64_t v0 = live.Get(0).version;
  live.SetConnected(false);  // no change
  EXPECT_EQ(live.Get(0).version, v0);
  live.SetConnected(true);
  const Report a = Bytes(1, 100, 20, 1, 15);
  live.Publish(a.data(), 0, 0, "");
  live.Announce(change::kAlarm);
  live.SetConnected(false);
  EXPECT_EQ(live.Get(0).link.changes, 2u);
  EXPECT_FALSE(live.Get(0).link.connected);
  EXPECT_EQ(told, (std::vector<Changes>{change::kLink, change::kReading, change::kAlarm,
                                        change::kLink}));
  EXPECT_EQ(links, (std::vector<Changes>{change::kLink, change::kLink}));
  // Once reset (or moved from and destroyed), a subscription hears no more.
  Subscription moved = std::move(link);
  moved.Reset();
  all = Subscription();
  live.SetConnected(true);
  EXPECT_EQ(told.size(), 4u);
  EXPECT_EQ(links.size(), 2u);
}

// The device loop and a subscriber's thread race: the callback that runs
// while Reset is called has ended when Reset returns (ThreadSanitizer
// sees the rest).
TEST(LiveState, ResetWaitsForTheCallbackInProgress) {
  LiveState live;
  std::atomic<bool> inside{false}, done{false};
  std::atomic<int> after{0};
  bool resetting = false;
  Subscription s = live.Subscribe(change::kLink, [&](Changes) {
    inside = true;
    if (resetting) ++after;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  });
  std::thread writer([&] {
    for (int i = 0; !done; ++i) live.SetConnected(i % 2 == 0);
  });
  while (!inside) std::this_thread::yield();
  s.Reset();
  resetting = true;  // read only by callbacks that ran after Reset
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  done = true;
  writer.join();
  EXPECT_EQ(after, 0);
}

// Each JSON command gives the bytes of the same command line.
TEST(CommandRequest, SameBytesAsTheCommandLine) {
  const struct {
    const char* json;
    std::vector<std::string> args;
  } cases[] = {
      {R"({"command":"select","sensor":2})", {"select", "2"}},
      {R"({"command":"power","sensor":2,"watts":600})", {"power", "2", "600"}},
      {R"({"command":"power","sensor":3,"watts":50})", {"power", "3", "50"}},
      {R"({"command":"swr","sensor":1,"limit":"2.5"})", {"swr", "1", "2.5"}},
      {R"({"command":"swr","sensor":1,"limit":2.5})", {"swr", "1", "2.5"}},
      {R"({"command":"swr","sensor":3,"limit":4})", {"swr", "3", "4.0"}},
      {R"({"command":"swr","sensor":2,"limit":1.1})", {"swr", "2", "1.1"}},
      {R"({"command":"blocking","on":true})", {"blocking", "on"}},
      {R"({"command":"blocking","on":false})", {"blocking", "off"}},
  };
  for (const auto& c : cases) {
    const CommandRequest request = ParseCommandRequest(c.json);
    ASSERT_TRUE(request.ok()) << c.json << ": " << request.error;
    const ParseResult line = ParseArgs(c.args);
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(ReportFor(request.command), ReportFor(line.options.command)) << c.json;
  }
  const CommandRequest swr = ParseCommandRequest(R"({"command":"swr","sensor":1,"limit":2.5})");
  const swr::CommandReport r = ReportFor(swr.command);
  EXPECT_EQ(HexBytes(r.data(), r.size()), "00 02 01 19 00 00 00 00 00");
}

TEST(CommandRequest, RefusesBadInputWithAClearMessage) {
  const struct {
    const char* json;
    const char* error;
  } cases[] = {
      {"", "not valid JSON"},
      {"{\"command\":", "not valid JSON"},
      {"[1]", "one JSON object"},
      {R"({"sensor":1})", "missing field 'command'"},
      {R"({"command":"reboot"})", "command must be select, power, swr or blocking"},
      {R"({"command":7})", "command must be"},
      {R"({"command":"select"})", "missing field 'sensor'"},
      {R"({"command":"select","sensor":4})", "sensor must be 1, 2 or 3, not '4'"},
      {R"({"command":"select","sensor":-1})", "sensor must be 1, 2 or 3, not '-1'"},
      {R"({"command":"power","sensor":1,"watts":-50})", "maximum power must be"},
      {R"({"command":"power","sensor":1,"watts":4294967346})", "maximum power must be"},
      {R"({"command":"select","sensor":2.0})", "sensor must be a whole number"},
      {R"({"command":"select","sensor":"2"})", "sensor must be a whole number"},
      {R"({"command":"select","sensor":2,"watts":50})", "unknown field 'watts'"},
      {R"({"command":"power","sensor":2,"watts":500})",
       "maximum power must be 50, 120, 400, 600 or 1200 (watts), not '500'"},
      {R"({"command":"power","sensor":2,"watts":1e3})", "watts must be a whole number"},
      {R"({"command":"power","sensor":2,"watts":6e2})", "watts must be a whole number, not '6e2'"},
      {R"({"command":"power","command":"blocking","on":true})", "field 'command' is given twice"},
      {R"({"command":"select","sensor":{"a":1,"a":2}})", "field 'a' is given twice"},
      {R"({"command":"swr","sensor":1,"limit":"4.1"})", "SWR limit must be 1.0 to 4.0"},
      {R"({"command":"swr","sensor":1,"limit":0.9})", "SWR limit must be 1.0 to 4.0"},
      {R"({"command":"swr","sensor":1,"limit":2.55})", "SWR limit must be 1.0 to 4.0"},
      {R"({"command":"swr","sensor":1,"limit":"--help"})", "SWR limit must be 1.0 to 4.0"},
      {R"({"command":"swr","sensor":1,"limit":"2.5 "})", "SWR limit must be 1.0 to 4.0"},
      {R"({"command":"swr","sensor":1,"limit":null})", "SWR limit must be 1.0 to 4.0"},
      {R"({"sensor":1,"command":"blocking","on":true})", "unknown field 'sensor' for blocking"},
      {R"({"command":"blocking","on":"on"})", "on must be true or false"},
      {R"({"command":"blocking","on":1})", "on must be true or false"},
  };
  for (const auto& c : cases) {
    const CommandRequest request = ParseCommandRequest(c.json);
    EXPECT_NE(request.error.find(c.error), std::string::npos)
        << c.json << " -> '" << request.error << "'";
  }
}

class ServeSim : public ::testing::Test {
 protected:
  void SetUp() override { SimBus::Reset(); }
};

TEST_F(ServeSim, SendReportWritesTheBytesOrSaysWhyNot) {
  const CommandRequest request = ParseCommandRequest(R"({"command":"power","sensor":2,"watts":600})");
  const swr::CommandReport report = ReportFor(request.command);
  EXPECT_EQ(SendStationCommand(request.command), CommandOutcome::Sent);
  ASSERT_EQ(SimBus::ReceivedCommands().size(), 1u);
  EXPECT_EQ(SimBus::ReceivedCommands()[0], report);
  EXPECT_EQ(SimBus::ControllerSettings().powerRangeCode[1], 2);

  SimBus::SetOpenFails(true);
  EXPECT_EQ(SendStationCommand(request.command), CommandOutcome::OpenFailed);
  SimBus::SetOpenFails(false);
  SimBus::SetPlugged(false);
  EXPECT_EQ(SendStationCommand(request.command), CommandOutcome::NotConnected);
  EXPECT_EQ(SimBus::ReceivedCommands().size(), 1u);
  EXPECT_EQ(SimBus::OpenHandles(), 0);
}

// Polls `done` for up to 60 seconds (the device loop's start under Wine or a
// sanitizer on a loaded machine).
template <typename F>
bool WaitUntil(F done) {
  for (int i = 0; i < 6000 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return done();
}

TEST_F(ServeSim, DeviceLoopFollowsTheControllerAcrossUnplugAndReplug) {
  SimBus::SetReportRate(200);
  LiveState live;
  StopSignal stop;
  DeviceLoopEnv env;
  env.localTime = [] { return LocalTime{2026, 12, 8, 18, 3, 12, 345, 60}; };
  env.unixMs = [] { return std::int64_t{1'800'000'000'000}; };
  env.steadyMs = [] { return std::int64_t{5}; };
  env.wait = [&stop](long ms) { return stop.WaitFor(ms); };
  env.stop = &stop;
  std::ostringstream err;
  std::thread loop([&] { RunDeviceLoop(live, env, err); });

  EXPECT_TRUE(WaitUntil([&] { return live.Get(0).reading.sequence >= 3; }));
  EXPECT_TRUE(live.Get(0).link.connected);
  EXPECT_EQ(live.Get(0).reading.time, "2026-12-08T18:03:12.345+01:00");
  SimBus::SetPlugged(false);
  EXPECT_TRUE(WaitUntil([&] { return !live.Get(0).link.connected; }));
  const std::uint64_t seen = live.Get(0).reading.sequence;
  SimBus::SetPlugged(true);
  EXPECT_TRUE(WaitUntil([&] { return live.Get(0).reading.sequence > seen + 2; }));
  EXPECT_TRUE(live.Get(0).link.connected);
  EXPECT_EQ(live.Get(0).link.changes, 3u);

  // A stop ends a read that waits for a controller that fell silent.
  SimBus::SetReportRate(0);
  EXPECT_TRUE(WaitUntil([] { return SimBus::BlockedReads() > 0; }));
  stop.Interrupt();
  loop.join();
  EXPECT_EQ(SimBus::OpenHandles(), 0);
  EXPECT_EQ(err.str(),
            "swrctl: controller connected\n"
            "swrctl: lost the controller; waiting for it\n"
            "swrctl: controller connected\n");
}

}  // namespace
}  // namespace station
