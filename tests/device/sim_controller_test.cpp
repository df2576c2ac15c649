// The simulated controller answers the protocol the way a device would: the
// reports it sends after a command show the command's effect. The station
// behind it sends overs a transmission detector can tell apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "device/hid_link.h"
#include "device/reports.h"
#include "device/bus/sim_controller.h"
#include "device/bus/sim_overs.h"
#include "wait_until.h"

namespace {

using Bytes = std::array<std::uint8_t, 9>;

Bytes Command(std::uint8_t code, std::uint8_t selector, std::uint8_t value) {
  return {0, code, selector, value, 0, 0, 0, 0, 0};
}

class SimController : public ::testing::Test {
 protected:
  void SetUp() override {
    SimBus::Reset();
    SimBus::SetReportRate(1000);  // keep the tests quick
    handle_ = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    ASSERT_NE(handle_, 0);
  }
  void TearDown() override { HidLink::Close(handle_); }

  Bytes Next() {
    Bytes r{};
    EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 9);
    return r;
  }
  // The first report produced after the command was written.
  Bytes AfterCommand(const Bytes& command) {
    EXPECT_EQ(HidLink::Write(handle_, command.data(), 9), 9);
    // Up to a queue's depth of reports may predate the command.
    Bytes r{};
    for (std::size_t i = 0; i <= SimBus::kQueueDepth; ++i) r = Next();
    return r;
  }

  HidLink::Handle handle_ = 0;
};

TEST_F(SimController, ReportsCarryTheSettingsTheCommandsMade) {
  struct Case {
    Bytes command;
    std::size_t byte;
    std::uint8_t expected;
  };
  const Case cases[] = {
      {Command(3, 2, 0), swr::input::activeSensor, 2},
      {Command(1, 2, 24), swr::input::powerDivisor, 24},  // 50 W on the active sensor
      {Command(1, 1, 1), swr::input::powerDivisor, 24},   // another sensor's range
      {Command(3, 1, 0), swr::input::powerDivisor, 1},    // ... shows once it is active
      {Command(3, 3, 0), swr::input::activeSensor, 3},
      {Command(3, 0, 0), swr::input::activeSensor, 3},    // sensor 0 is ignored
      {Command(3, 4, 0), swr::input::activeSensor, 3},
      {Command(1, 3, 2), swr::input::powerDivisor, 2},    // 600 W
  };
  for (const Case& c : cases) {
    const Bytes r = AfterCommand(c.command);
    EXPECT_EQ(r[c.byte], c.expected) << "command " << int(c.command[1]) << "," << int(c.command[2]);
  }
  const SimBus::Settings s = SimBus::ControllerSettings();
  EXPECT_EQ(s.activeSensor, 3);
  EXPECT_EQ(s.powerRangeCode[0], 1);
  EXPECT_EQ(s.powerRangeCode[1], 24);
  EXPECT_EQ(s.powerRangeCode[2], 2);
  EXPECT_EQ(SimBus::ReceivedCommands().size(), std::size(cases));
}

TEST_F(SimController, BlockingFollowsTheLimitOfTheActiveSensor) {
  AfterCommand(Command(3, 3, 0));   // sensor 3: the worst antenna
  AfterCommand(Command(2, 3, 10));  // limit 1.0: always exceeded
  EXPECT_EQ(AfterCommand(Command(8, 2, 0))[SimBus::kBlockingByte], 0);  // blocking off
  EXPECT_EQ(AfterCommand(Command(8, 1, 0))[SimBus::kBlockingByte], 1);
  EXPECT_EQ(AfterCommand(Command(2, 3, 40))[SimBus::kBlockingByte], 0);  // 4.0 not reached
  const SimBus::Settings s = SimBus::ControllerSettings();
  EXPECT_TRUE(s.blocking);
  EXPECT_EQ(s.swrLimit[2], 40);
}

TEST_F(SimController, ReadingsAreConsistent) {
  for (int i = 0; i < 200; ++i) {
    const Bytes r = Next();
    const int f = r[swr::input::forwardLevel], rr = r[swr::input::reflectedLevel];
    ASSERT_GT(f, rr);
    const double swr = 10.0 * (f + rr) / (f - rr);
    EXPECT_NEAR(r[swr::input::swrTenths], swr, 0.51);
    EXPECT_GE(r[swr::input::swrTenths], 10);
    EXPECT_EQ(r[0], 0);
  }
}

// The demo's transceiver: keyed, the SWR follows its band's antenna; between
// overs the detectors rest at a few counts and show SWR 1.0, not "***".
TEST_F(SimController, ReadingsFollowTheTransceiver) {
  struct Case {
    bool keyed;
    double antennaSwr;
    int minForward, maxForward, minSwrTenths, maxSwrTenths;
  };
  const Case cases[] = {{false, 2.0, 1, 3, 10, 10}, {true, 2.0, 100, 255, 17, 23}};
  for (const Case& c : cases) {
    SimBus::SetTransmitter(c.keyed, c.antennaSwr);
    Bytes r{};
    for (std::size_t i = 0; i <= SimBus::kQueueDepth; ++i) r = Next();
    for (int i = 0; i < 50; ++i, r = Next()) {
      EXPECT_GE(r[swr::input::forwardLevel], c.minForward) << c.keyed;
      EXPECT_LE(r[swr::input::forwardLevel], c.maxForward) << c.keyed;
      EXPECT_GE(r[swr::input::swrTenths], c.minSwrTenths) << c.keyed;
      EXPECT_LE(r[swr::input::swrTenths], c.maxSwrTenths) << c.keyed;
    }
  }
  SimBus::SetTransmitter(true, 0);
}

// Walks one session of overs as a detector with a 1.5 s hang would, and
// checks what the demo promises: the first over within two seconds, overs of
// a few seconds to a minute, pauses between words and Morse elements shorter
// than the hang, four FT8-like overs of 13 s every 15 s.
TEST(SimOvers, ASessionIsOversADetectorTellsApart) {
  struct Over {
    double start, end, longestGap;
  };
  std::vector<Over> overs;
  constexpr double kStep = 0.005, kHang = 1.5;
  double lastOn = -1;
  for (double t = 0; t < sim_overs::SessionSeconds(); t += kStep) {
    const double drive = sim_overs::Drive(t);
    if (drive <= 0) continue;
    EXPECT_GE(drive, 0.35) << t;
    EXPECT_LE(drive, 1.0) << t;
    if (overs.empty() || t - lastOn > kHang) {
      overs.push_back({t, t, 0});
    } else {
      overs.back().longestGap = std::max(overs.back().longestGap, t - lastOn - kStep);
    }
    overs.back().end = t + kStep;
    lastOn = t;
  }
  ASSERT_EQ(overs.size(), 8u);
  EXPECT_LT(overs[0].start, 2.0);
  std::vector<double> ft8Starts;
  for (std::size_t i = 0; i < overs.size(); ++i) {
    const Over& o = overs[i];
    EXPECT_GE(o.end - o.start, 3.0) << "over " << i;
    EXPECT_LE(o.end - o.start, 60.0) << "over " << i;
    EXPECT_LT(o.longestGap, 0.5) << "over " << i;
    if (i > 0) {
      EXPECT_GE(o.start - overs[i - 1].end, 2.0 - kStep) << "pause before over " << i;
    }
    if (std::abs(o.end - o.start - 13.0) < 2 * kStep) ft8Starts.push_back(o.start);
  }
  ASSERT_EQ(ft8Starts.size(), 4u);
  for (std::size_t i = 1; i < ft8Starts.size(); ++i) {
    EXPECT_NEAR(ft8Starts[i] - ft8Starts[i - 1], 15.0, 2 * kStep);
  }
  EXPECT_NEAR(sim_overs::Drive(sim_overs::SessionSeconds() + overs[0].start + 0.01),
              sim_overs::Drive(overs[0].start + 0.01), 1e-9);  // the session repeats
}

TEST_F(SimController, WritesOtherThanOneWholeReportAreRefused) {
  const Bytes ok = Command(3, 2, 0);
  Bytes withId = ok;
  withId[0] = 5;
  EXPECT_EQ(HidLink::Write(handle_, ok.data(), 8), 0);
  EXPECT_EQ(HidLink::Write(handle_, withId.data(), 9), 0);
  EXPECT_EQ(HidLink::Write(handle_, ok.data(), 9), 9);
  ASSERT_EQ(SimBus::ReceivedCommands().size(), 1u);
  EXPECT_EQ(SimBus::ReceivedCommands()[0], ok);
}

TEST_F(SimController, QueuesAtMostThirtyTwoReportsAndKeepsTheNewest) {
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // ~100 produced
  SimBus::SetReportRate(0);  // the controller falls silent: the queue is frozen
  std::uint64_t previous = 0;
  for (std::size_t i = 0; i < SimBus::kQueueDepth; ++i) {
    Next();
    const std::uint64_t seq = SimBus::LastDelivered().sequence;
    if (i == 0) {
      EXPECT_GT(seq, 50u);  // the oldest were dropped
    } else {
      EXPECT_EQ(seq, previous + 1);
    }
    previous = seq;
  }
  // The 33rd read waits: nothing else was queued.
  std::thread cancel([this] {
    ASSERT_TRUE(testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }));
    HidBus::CancelRead(handle_);
  });
  Bytes r{};
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);
  cancel.join();
}

TEST_F(SimController, UnplugFailsReadsAtOnceAndKillsTheHandle) {
  SimBus::SetReportRate(0);  // nothing will arrive: the read would wait
  std::thread unplug([] {
    ASSERT_TRUE(testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }));
    SimBus::SetPlugged(false);
  });
  Bytes r{};
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);
  unplug.join();
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 0);
  SimBus::SetPlugged(true);
  SimBus::SetReportRate(1000);
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);       // the old handle stays dead
  EXPECT_EQ(HidLink::Write(handle_, r.data(), 9), 0);
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 1);
}

TEST_F(SimController, FailuresOnRequest) {
  SimBus::SetReadFails(true);
  Bytes r{};
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);
  SimBus::SetReadFails(false);
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 9);
  SimBus::SetOpenFails(true);
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 1);
  EXPECT_EQ(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId), 0);
}

TEST_F(SimController, ClosedAndCancelledReadsReturnAtOnce) {
  SimBus::SetReportRate(0);
  std::thread cancel([this] {
    ASSERT_TRUE(testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }));
    HidBus::CancelRead(handle_);
  });
  Bytes r{};
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);
  cancel.join();
  std::thread close([this] {
    ASSERT_TRUE(testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }));
    HidLink::Close(handle_);
  });
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);
  close.join();
  EXPECT_EQ(SimBus::StaleHandleUses(), 1u);  // closed under a read: a fault
  EXPECT_EQ(HidLink::Read(handle_, r.data(), 9), 0);  // a use after close
  EXPECT_EQ(SimBus::StaleHandleUses(), 2u);
  handle_ = 0;
}

}  // namespace

namespace {

TEST(SimBus, ControllerIndexAndOtherDevices) {
  const auto present = [] {
    return HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
  };
  SimBus::Reset();
  SimBus::SetControllerIndex(255);
  EXPECT_EQ(present(), 1);
  SimBus::SetControllerIndex(256);
  EXPECT_EQ(present(), 0);
  EXPECT_EQ(SimBus::OpenHandles(), 0);

  // A second controller behind the first: both searches take the first.
  SimBus::Reset();
  const int second =
      SimBus::AddInterface({swr::ControllerVendorId, swr::ControllerProductId, 0x0100});
  const HidLink::Handle w = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  const std::array<std::uint8_t, 9> select{0, 3, 2, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(HidLink::Write(w, select.data(), 9), 9);
  EXPECT_EQ(SimBus::ReceivedCommands().size(), 1u);
  EXPECT_TRUE(SimBus::ReceivedCommands(second).empty());
  HidLink::Close(w);

  // Unplugged, the first is gone and the second is found.
  SimBus::SetPlugged(false);
  const HidLink::Handle w2 = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  EXPECT_EQ(HidLink::Write(w2, select.data(), 9), 9);
  EXPECT_EQ(SimBus::ReceivedCommands(second).size(), 1u);
  HidLink::Close(w2);
  EXPECT_EQ(SimBus::OpenHandles(), 0);
}

}  // namespace
