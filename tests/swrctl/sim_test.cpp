// swrctl against the simulated controller: what the commands change in the
// controller, watch in every format, losing and finding the controller,
// Ctrl+C during a blocked read, and the demo's control on standard input.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "device/commands.h"
#include "device/bus/sim_controller.h"
#include "harness.h"
#include "json_check.h"
#include "station/core/demo_control.h"
#include "station/core/exit_status.h"

namespace {

using Args = std::vector<std::string>;
using Report = std::array<std::uint8_t, 9>;

// Ends a watch that would otherwise never end, so a fault fails the test
// instead of hanging it.
class Watchdog {
 public:
  Watchdog(swrctl::StopSignal& stop, std::chrono::milliseconds after)
      : thread_([&stop, after, this] {
          if (!idle_.WaitFor(static_cast<long>(after.count()))) return;
          fired_ = true;
          stop.RequestStop();
        }) {}
  ~Watchdog() {
    idle_.RequestStop();
    thread_.join();
  }
  bool Fired() const { return fired_; }

 private:
  swrctl::StopSignal idle_;
  std::atomic<bool> fired_{false};
  std::thread thread_;
};

class SwrctlSim : public ::testing::Test {
 protected:
  void SetUp() override { SimBus::Reset(); }
};

TEST_F(SwrctlSim, CommandsChangeTheControllersSettings) {
  harness::Harness h;
  EXPECT_EQ(h.Run({"power", "2", "600"}).status, 0);
  EXPECT_EQ(h.Run({"swr", "3", "2.7"}).status, 0);
  EXPECT_EQ(h.Run({"select", "3"}).status, 0);
  EXPECT_EQ(h.Run({"blocking", "on"}).status, 0);
  const std::vector<Report> received = SimBus::ReceivedCommands();
  const std::vector<Report> expected = {{0, 1, 2, 2, 0, 0, 0, 0, 0},
                                        {0, 2, 3, 27, 0, 0, 0, 0, 0},
                                        {0, 3, 3, 0, 0, 0, 0, 0, 0},
                                        {0, 8, 1, 0, 0, 0, 0, 0, 0}};
  EXPECT_EQ(received, expected);
  const SimBus::Settings s = SimBus::ControllerSettings();
  EXPECT_EQ(s.powerRangeCode[1], 2);
  EXPECT_EQ(s.swrLimit[2], 27);
  EXPECT_EQ(s.activeSensor, 3);
  EXPECT_TRUE(s.blocking);
  EXPECT_EQ(SimBus::OpenHandles(), 0);
}

TEST_F(SwrctlSim, BadArgumentsLeaveTheControllerAlone) {
  const SimBus::Settings before = SimBus::ControllerSettings();
  harness::Harness h;
  for (const Args& args : {Args{"power", "2", "700"}, Args{"swr", "1", "4.5"},
                           Args{"swr", "4", "2.0"}, Args{"select", "0"},
                           Args{"blocking", "maybe"}, Args{"power", "1", "50", "extra"}}) {
    EXPECT_EQ(h.Run(args).status, swrctl::kExitUsage) << args[0];
  }
  EXPECT_TRUE(SimBus::ReceivedCommands().empty());
  const SimBus::Settings after = SimBus::ControllerSettings();
  EXPECT_EQ(after.activeSensor, before.activeSensor);
  EXPECT_EQ(after.blocking, before.blocking);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(after.powerRangeCode[i], before.powerRangeCode[i]);
    EXPECT_EQ(after.swrLimit[i], before.swrLimit[i]);
  }
}

TEST_F(SwrctlSim, Status) {
  harness::Harness h;
  harness::Outcome o = h.Run({"status"});
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out.rfind("controller: connected\npath: ", 0), 0u) << o.out;

  SimBus::SetOpenFails(true);
  EXPECT_EQ(h.Run({"status"}).status, swrctl::kExitFailure);
  EXPECT_EQ(h.Run({"select", "2"}).status, swrctl::kExitFailure);
  SimBus::SetOpenFails(false);

  SimBus::SetPlugged(false);
  o = h.Run({"status"});
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  EXPECT_EQ(o.out, "controller: not connected\n");
  EXPECT_EQ(h.Run({"select", "2"}).status, swrctl::kExitNoController);
  EXPECT_TRUE(SimBus::ReceivedCommands().empty());
}

TEST_F(SwrctlSim, WatchInEveryFormat) {
  SimBus::SetReportRate(200);
  for (const char* format : {"text", "csv", "json"}) {
    harness::Harness h;
    Watchdog dog(h.stop, std::chrono::seconds(60));
    const harness::Outcome o = h.Run({"watch", "--format", format, "--count", "3"});
    ASSERT_FALSE(dog.Fired());
    EXPECT_EQ(o.status, 0) << format << ": " << o.err;
    EXPECT_EQ(o.err, "");
    std::vector<std::string> lines = harness::Lines(o.out);
    if (std::string(format) == "csv") {
      ASSERT_FALSE(lines.empty());
      EXPECT_EQ(lines[0], "time,sensor,forward,reflected,swr,power");
      lines.erase(lines.begin());
    }
    ASSERT_EQ(lines.size(), 3u) << format;
    for (const std::string& line : lines) {
      if (std::string(format) == "text") {
        EXPECT_NE(line.find(" sensor=1 forward="), std::string::npos) << line;
      } else if (std::string(format) == "csv") {
        EXPECT_NE(line.find(",1,"), std::string::npos) << line;
      } else {
        jsoncheck::Value v;
        std::string error;
        ASSERT_TRUE(jsoncheck::Parse(line, v, error)) << error << ": " << line;
        EXPECT_EQ(v.Member("sensor")->number, 1);
        const jsoncheck::Value* raw = v.Member("raw");
        ASSERT_NE(raw, nullptr);
        ASSERT_EQ(raw->items.size(), 9u);
        EXPECT_EQ(raw->items[2].number, 1);
        EXPECT_EQ(v.Member("forward")->number, raw->items[3].number);
      }
    }
  }
  EXPECT_EQ(SimBus::OpenHandles(), 0);
  EXPECT_TRUE(SimBus::ReceivedCommands().empty());  // watch never writes
}

TEST_F(SwrctlSim, UnplugWithoutFollow) {
  SimBus::SetReportRate(200);
  harness::Harness h;
  int readings = 0;
  h.clock = [&] {
    if (++readings == 2) SimBus::SetPlugged(false);
    return readings * 10;
  };
  Watchdog dog(h.stop, std::chrono::seconds(60));
  const harness::Outcome o = h.Run({"watch", "--format", "json"});
  ASSERT_FALSE(dog.Fired());
  EXPECT_EQ(o.status, swrctl::kExitNoController);
  EXPECT_EQ(o.err, "swrctl: lost the controller (unplugged?)\n");
  EXPECT_EQ(harness::Lines(o.out).size(), 2u);
  EXPECT_EQ(SimBus::OpenHandles(), 0);
}

TEST_F(SwrctlSim, FollowResumesAfterReplug) {
  SimBus::SetReportRate(200);
  harness::Harness h;
  h.realWaitMs = 10;
  int readings = 0;
  h.clock = [&] {
    if (++readings == 2) SimBus::SetPlugged(false);
    return readings * 10;
  };
  h.onWait = [](int wait) {
    if (wait == 3) SimBus::SetPlugged(true);
  };
  Watchdog dog(h.stop, std::chrono::seconds(60));
  const harness::Outcome o = h.Run({"watch", "--follow", "--count", "5", "--format", "json"});
  ASSERT_FALSE(dog.Fired());
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err,
            "swrctl: lost the controller; waiting for it\n"
            "swrctl: controller connected\n");
  EXPECT_EQ(h.waits, 3);
  const std::vector<std::string> lines = harness::Lines(o.out);
  ASSERT_EQ(lines.size(), 5u);
  for (const std::string& line : lines) {
    jsoncheck::Value v;
    std::string error;
    EXPECT_TRUE(jsoncheck::Parse(line, v, error)) << error << ": " << line;
  }
  EXPECT_EQ(SimBus::OpenHandles(), 0);
  EXPECT_EQ(SimBus::StaleHandleUses(), 0u);
}

TEST_F(SwrctlSim, StopWakesABlockedRead) {
  SimBus::SetReportRate(0);  // the controller falls silent: reads wait
  harness::Harness h;
  std::thread interrupt([&h] {
    for (int i = 0; i < 1000 && SimBus::BlockedReads() == 0; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    h.stop.Interrupt();
  });
  const auto start = std::chrono::steady_clock::now();
  const harness::Outcome o = h.Run({"watch", "--format", "csv"});
  interrupt.join();
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "time,sensor,forward,reflected,swr,power\n");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(SimBus::OpenHandles(), 0);
  EXPECT_EQ(SimBus::StaleHandleUses(), 0u);
}

// Each instruction of the demo's control: its answer, unchanged for the old
// ones, and its effect as the next reading of `watch` shows it.
TEST_F(SwrctlSim, DemoControlInstructions) {
  SimBus::SetReportRate(200);
  // The next reading's forward, reflected and SWR text ("" when none came).
  const auto reading = [] {
    harness::Harness h;
    Watchdog dog(h.stop, std::chrono::seconds(60));
    const harness::Outcome o = h.Run({"watch", "--format", "json", "--count", "1"});
    jsoncheck::Value v;
    std::string error;
    if (dog.Fired() || o.status != 0 || !jsoncheck::Parse(o.out, v, error)) return std::string();
    return std::to_string(static_cast<int>(v.Member("forward")->number)) + " " +
           std::to_string(static_cast<int>(v.Member("reflected")->number)) + " " + v.Member("swr")->text;
  };
  const std::string atRest = "^[123] 0 1[.]0$", carrier = "^[12][0-9][0-9] [0-9]+ [0-9.]+$";
  const struct {
    const char* instruction;
    const char* answer;
    const char* shows;  // the next reading; nullptr: not looked at
  } cases[] = {
      {"tx off", "ok\n", atRest.c_str()}, {"tx on", "ok\n", carrier.c_str()},
      {"tx off", "ok\n", atRest.c_str()}, {"tx auto", "ok\n", nullptr},
      {"tx", "unknown\n", nullptr},       {"tx maybe", "unknown\n", nullptr},
      {"key", "unknown\n", nullptr},      {"rate 100", "ok\n", nullptr},
      {"openfail 1", "ok\n", nullptr},    {"openfail 0", "ok\n", nullptr},
      {"unplug", "ok\n", nullptr},        {"plug", "ok\n", nullptr},
      {"clear", "ok\n", nullptr},         {"received", "end\n", nullptr},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(swrctl::DemoControlAnswer(c.instruction), c.answer) << c.instruction;
    if (!c.shows) continue;
    const std::string shown = reading();
    EXPECT_TRUE(std::regex_match(shown, std::regex(c.shows))) << c.instruction << ": " << shown;
  }
  harness::Harness h;
  EXPECT_EQ(h.Run({"select", "2"}).status, 0);
  EXPECT_EQ(swrctl::DemoControlAnswer("received"), "received 00 03 02 00 00 00 00 00 00\nend\n");
}

}  // namespace
