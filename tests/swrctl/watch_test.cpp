// swrctl watch on the fake bus: the three formats, --count, --interval,
// losing the controller with and without --follow, and stopping.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/fake_hid_bus.h"
#include "harness.h"
#include "json_check.h"
#include "station/core/exit_status.h"
#include "tools/swrctl/reading.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A report: sensor, forward, reflected, divisor, SWR x 10.
Bytes Report(std::uint8_t sensor, std::uint8_t f, std::uint8_t r, std::uint8_t k,
             std::uint8_t swr) {
  return {0, 0, sensor, f, r, k, swr, 0, 0};
}

// A controller whose reports run out after `reports` (the next read fails,
// as after an unplug). Each report comes while its read waits for it.
void PlugController(std::vector<Bytes> reports) {
  fakebus::Reset();
  fakebus::Bus().interfaces.push_back(fakebus::Controller("/dev/hidraw0"));
  for (Bytes& r : reports) fakebus::Bus().reports.push_back(r);
  fakebus::Bus().readWaitMs = 12;
}

const char kStamp[] = "2026-12-08T18:03:12.345+01:00";

TEST(SwrctlWatch, TextLinesWithThePanelsTexts) {
  PlugController({Report(2, 100, 20, 1, 15), Report(0, 0, 10, 1, 9), Report(3, 50, 0, 0, 255)});
  harness::Harness h;
  const harness::Outcome o = h.Run({"watch", "--count", "3"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  const std::string s = kStamp;
  EXPECT_EQ(o.out, s + " sensor=2 forward=100 reflected=20 swr=1.5 power=192.0\n" + s +
                       " sensor=- forward=0 reflected=10 swr=*** power=-2.0\n" + s +
                       " sensor=3 forward=50 reflected=0 swr=25.5 power=+Infinity\n");
  EXPECT_EQ(fakebus::Bus().reads, 3);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlWatch, CsvHasAHeaderAndCountsOnlyReadings) {
  PlugController({Report(1, 255, 0, 24, 10), Report(1, 8, 10, 24, 12), Report(1, 0, 50, 0, 5),
                  Report(1, 1, 1, 1, 10)});
  harness::Harness h;
  const harness::Outcome o = h.Run({"watch", "--format=csv", "--count=3"});
  EXPECT_EQ(o.status, 0);
  const std::string s = kStamp;
  // A negative power stays a number; "-Infinity" is text a spreadsheet
  // must not take for a formula.
  EXPECT_EQ(o.out, "time,sensor,forward,reflected,swr,power\n" + s + ",1,255,0,1.0,54.2\n" + s +
                       ",1,8,10,1.2,-0.0\n" + s + ",1,0,50,***,'-Infinity\n");
  EXPECT_EQ(fakebus::Bus().reads, 3);
}

TEST(SwrctlWatch, JsonLinesParse) {
  PlugController({Report(2, 100, 20, 1, 15), Report(7, 0, 50, 0, 0), Report(1, 0, 0, 0, 20)});
  harness::Harness h;
  h.time = {2026, 1, 2, 3, 4, 5, 6, -330};
  const harness::Outcome o = h.Run({"watch", "--format", "json"});
  // The reports run out: the controller is taken as lost.
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  const std::vector<std::string> lines = harness::Lines(o.out);
  ASSERT_EQ(lines.size(), 3u);
  struct Expect {
    bool hasSensor;
    double sensor, forward, reflected;
    const char* swr;
    const char* power;
    Bytes raw;
  };
  const Expect expect[] = {
      {true, 2, 100, 20, "1.5", "192.0", Report(2, 100, 20, 1, 15)},
      {false, 0, 0, 50, "***", "-Infinity", Report(7, 0, 50, 0, 0)},
      {true, 1, 0, 0, "2.0", "***", Report(1, 0, 0, 0, 20)},
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    jsoncheck::Value v;
    std::string error;
    ASSERT_TRUE(jsoncheck::Parse(lines[i], v, error)) << error << ": " << lines[i];
    ASSERT_EQ(v.type, jsoncheck::Value::Type::Object);
    std::vector<std::string> names;
    for (const auto& m : v.members) names.push_back(m.first);
    EXPECT_EQ(names, (std::vector<std::string>{"time", "sensor", "forward", "reflected", "swr",
                                               "power", "raw"}));
    const Expect& e = expect[i];
    EXPECT_EQ(v.Member("time")->text, "2026-01-02T03:04:05.006-05:30");
    if (e.hasSensor) {
      EXPECT_EQ(v.Member("sensor")->type, jsoncheck::Value::Type::Number);
      EXPECT_EQ(v.Member("sensor")->number, e.sensor);
    } else {
      EXPECT_EQ(v.Member("sensor")->type, jsoncheck::Value::Type::Null);
    }
    EXPECT_EQ(v.Member("forward")->number, e.forward);
    EXPECT_EQ(v.Member("reflected")->number, e.reflected);
    EXPECT_EQ(v.Member("swr")->text, e.swr);
    EXPECT_EQ(v.Member("power")->text, e.power);
    const jsoncheck::Value* raw = v.Member("raw");
    ASSERT_EQ(raw->items.size(), 9u);
    for (std::size_t b = 0; b < 9; ++b) EXPECT_EQ(raw->items[b].number, e.raw[b]);
  }
}

TEST(SwrctlWatch, JsonCheckerRejectsBrokenLines) {
  jsoncheck::Value v;
  std::string error;
  for (const char* bad : {"", "{", "{\"a\":1,}", "{\"a\":01}", "{\"a\":\"x}", "{\"a\":1} x",
                          "{a:1}", "[1 2]", "{\"a\":-}", "{\"a\":\"\t\"}", "{\"a\":+1}"}) {
    EXPECT_FALSE(jsoncheck::Parse(bad, v, error)) << bad;
  }
  EXPECT_TRUE(jsoncheck::Parse(" {\"a\":[1,-2.5e3,null,true,\"\\u00e9\"],\"b\":{}} ", v, error))
      << error;
}

TEST(SwrctlWatch, IntervalIsTheLeastTimeBetweenLines) {
  PlugController({Report(1, 1, 0, 1, 10), Report(1, 2, 0, 1, 10), Report(1, 3, 0, 1, 10),
                  Report(1, 4, 0, 1, 10), Report(1, 5, 0, 1, 10), Report(1, 6, 0, 1, 10)});
  harness::Harness h;
  const std::vector<std::int64_t> times = {1000, 1040, 1099, 1100, 1150, 1210};
  std::size_t next = 0;
  h.clock = [&] { return times[next++]; };
  const harness::Outcome o = h.Run({"watch", "--interval", "100", "--format", "csv"});
  // Readings at 1000, 1100 and 1210 ms: forward 1, 4 and 6.
  const std::vector<std::string> lines = harness::Lines(o.out);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_NE(lines[1].find(",1,1,0,"), std::string::npos);
  EXPECT_NE(lines[2].find(",1,4,0,"), std::string::npos);
  EXPECT_NE(lines[3].find(",1,6,0,"), std::string::npos);
  EXPECT_EQ(fakebus::Bus().reads, 7);
}

TEST(SwrctlWatch, ReportsQueuedWhileALineWasWrittenAreSkipped) {
  // The third line takes 100 ms to write (a terminal that stopped
  // scrolling); meanwhile five reports queue up. The next line is the
  // report after them, not the oldest queued. A queued read that the
  // machine happens to hold up looks like a wait; such a run is repeated.
  const auto forwardOf = [](const std::string& line) {
    return line.substr(line.find(",1,") + 3, line.find(",0,") - line.find(",1,") - 3);
  };
  const std::vector<std::string> expected = {"1", "2", "3", "9", "10"};
  std::vector<std::string> forward;
  for (int attempt = 0; attempt < 3 && forward != expected; ++attempt) {
    std::vector<Bytes> reports;
    for (std::uint8_t f = 1; f <= 10; ++f) reports.push_back(Report(1, f, 0, 1, 10));
    PlugController(reports);
    fakebus::Bus().readWaitsMs = {12, 12, 12, 0, 0, 0, 0, 0};
    harness::Harness h;
    int calls = 0;
    h.clock = [&calls] {
      if (++calls == 3) std::this_thread::sleep_for(std::chrono::milliseconds(100));
      return calls * 1000;
    };
    const harness::Outcome o = h.Run({"watch", "--count", "5", "--format", "csv"});
    EXPECT_EQ(o.status, 0);
    const std::vector<std::string> lines = harness::Lines(o.out);
    ASSERT_EQ(lines.size(), 6u);
    forward.clear();
    for (std::size_t i = 1; i < lines.size(); ++i) forward.push_back(forwardOf(lines[i]));
  }
  EXPECT_EQ(forward, expected);
}

TEST(SwrctlWatch, NoControllerSaysSoWithStatus2) {
  for (const char* format : {"text", "csv", "json"}) {
    fakebus::Reset();
    harness::Harness h;
    const harness::Outcome o = h.Run({"watch", "--format", format});
    EXPECT_EQ(o.status, swrctl::kExitNoController);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "swrctl: no controller found\n");
    EXPECT_EQ(h.waits, 0);
  }
  PlugController({});
  fakebus::Bus().interfaces[0].readWriteOpens = false;
  harness::Harness h;
  const harness::Outcome o = h.Run({"watch"});
  EXPECT_EQ(o.status, swrctl::kExitFailure);
  EXPECT_NE(o.err.find("cannot be opened"), std::string::npos);
}

TEST(SwrctlWatch, UnplugWithoutFollowEndsWithStatus2) {
  PlugController({Report(1, 10, 0, 1, 10), Report(1, 11, 0, 1, 10)});
  harness::Harness h;
  const harness::Outcome o = h.Run({"watch", "--count", "5"});
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  EXPECT_EQ(harness::Lines(o.out).size(), 2u);
  EXPECT_EQ(o.err, "swrctl: lost the controller (unplugged?)\n");
  EXPECT_EQ(h.waits, 0);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlWatch, AnOutputThatCannotBeWrittenEndsItWithAReason) {
  PlugController({Report(1, 10, 0, 1, 10), Report(1, 11, 0, 1, 10)});
  harness::Harness h;
  swrctl::Env env;
  env.watch.monotonicMs = [] { return std::int64_t{0}; };
  env.watch.localTime = [&h] { return h.time; };
  env.watch.wait = [](long) { return true; };
  env.watch.stop = &h.stop;
  std::ostream closed(nullptr);  // every write fails, as on a full disk
  std::ostringstream err;
  EXPECT_EQ(swrctl::Main({"watch", "--follow"}, env, closed, err), swrctl::kExitFailure);
  EXPECT_EQ(err.str(), "swrctl: cannot write the readings to the output\n");
  EXPECT_EQ(fakebus::Bus().reads, 1);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlWatch, FollowResumesAfterReplug) {
  PlugController({Report(1, 10, 0, 1, 10), Report(1, 11, 0, 1, 10)});
  harness::Harness h;
  h.onWait = [](int wait) {
    if (wait == 1) fakebus::Bus().interfaces.clear();  // unplugged
    if (wait == 3) {                                    // plugged in again
      fakebus::Bus().interfaces.push_back(fakebus::Controller("/dev/hidraw5"));
      fakebus::Bus().reports.push_back(Report(2, 12, 0, 1, 10));
      fakebus::Bus().reports.push_back(Report(2, 13, 0, 1, 10));
    }
  };
  const harness::Outcome o = h.Run({"watch", "--follow", "--count", "4", "--format", "csv"});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(h.waits, 3);
  const std::vector<std::string> lines = harness::Lines(o.out);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "time,sensor,forward,reflected,swr,power");  // once only
  EXPECT_NE(lines[3].find(",2,12,"), std::string::npos);
  EXPECT_NE(lines[4].find(",2,13,"), std::string::npos);
  EXPECT_EQ(o.err,
            "swrctl: lost the controller; waiting for it\n"
            "swrctl: controller connected\n");
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlWatch, FollowWaitsForAControllerNotYetThere) {
  fakebus::Reset();
  harness::Harness h;
  h.onWait = [](int wait) {
    if (wait == 4) PlugController({Report(3, 1, 0, 1, 10)});
  };
  const harness::Outcome o = h.Run({"watch", "--follow", "--count", "1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(harness::Lines(o.out).size(), 1u);
  EXPECT_EQ(o.err, "swrctl: waiting for the controller\nswrctl: controller connected\n");
}

TEST(SwrctlWatch, FollowSaysEachStateOnce) {
  // Present, opens, but every read fails for a while: one line about it,
  // not one per attempt; then the controller talks again.
  PlugController({});
  harness::Harness h;
  h.onWait = [](int wait) {
    if (wait == 2) fakebus::Bus().interfaces[0].readWriteOpens = false;
    if (wait == 4) fakebus::Bus().interfaces[0].readWriteOpens = true;
    if (wait == 6) fakebus::Bus().reports.push_back(Report(1, 9, 0, 1, 10));
  };
  const harness::Outcome o = h.Run({"watch", "--follow", "--count", "1"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(harness::Lines(o.out).size(), 1u);
  EXPECT_EQ(o.err,
            "swrctl: cannot read from the controller; retrying\n"
            "swrctl: the controller cannot be opened for reading; retrying\n"
            "swrctl: cannot read from the controller; retrying\n"
            "swrctl: controller connected\n");
  EXPECT_EQ(h.waits, 6);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());
}

TEST(SwrctlWatch, StopEndsCleanly) {
  // A stop request (Ctrl+C) while reading: the line being printed is
  // finished, then the watch ends with status 0 and the handle closed.
  PlugController({Report(1, 1, 0, 1, 10), Report(1, 2, 0, 1, 10), Report(1, 3, 0, 1, 10)});
  harness::Harness h;
  std::int64_t calls = 0;
  h.clock = [&] {
    if (++calls == 2) h.stop.RequestStop();
    return calls * 1000;
  };
  harness::Outcome o = h.Run({"watch", "--follow"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(harness::Lines(o.out).size(), 2u);
  EXPECT_EQ(fakebus::Bus().reads, 2);
  EXPECT_TRUE(fakebus::Bus().openHandles.empty());

  // A stop request from another thread while waiting for the controller
  // wakes the wait at once.
  fakebus::Reset();
  harness::Harness waiting;
  waiting.realWaitMs = 60000;
  std::thread interrupt([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    waiting.stop.RequestStop();
  });
  const auto start = std::chrono::steady_clock::now();
  o = waiting.Run({"watch", "--follow"});
  interrupt.join();
  EXPECT_EQ(o.status, 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(SwrctlWatch, TimestampFormat) {
  EXPECT_EQ(swrctl::FormatTimestamp({2026, 12, 8, 18, 3, 12, 345, 60}), kStamp);
  EXPECT_EQ(swrctl::FormatTimestamp({1999, 1, 31, 0, 0, 0, 0, 0}),
            "1999-01-31T00:00:00.000+00:00");
  EXPECT_EQ(swrctl::FormatTimestamp({2030, 6, 30, 23, 59, 59, 999, -570}),
            "2030-06-30T23:59:59.999-09:30");
}

}  // namespace
