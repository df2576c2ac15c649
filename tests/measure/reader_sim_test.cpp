// The reader against the simulated controller: idle without a handle, the
// pace of its passes, the texts kept after an unplug, and closing the handle
// under it thousands of times while it is blocked in a read.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

#include "device/hid_link.h"
#include "device/reports.h"
#include "device/bus/sim_controller.h"
#include "measure/decode.h"
#include "measure/fields.h"
#include "measure/reader.h"
#include "measure/reader_test_hooks.h"
#include "tests/device/wait_until.h"
#include "text_recorder.h"

namespace {

using Clock = std::chrono::steady_clock;

HidLink::Handle OpenController() {
  return HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
}

bool WaitPasses(std::uint64_t count) {
  const std::uint64_t target = swr::ReaderPasses() + count;
  return testwait::WaitUntil([target] { return swr::ReaderPasses() >= target; });
}

class ReaderOnSim : public ::testing::Test {
 protected:
  void SetUp() override {
    SimBus::Reset();
    recorder::Clear();
    ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
  }
  void TearDown() override {
    swr::CloseReadHandle();
    swr::StopReaderThreadForTests();
    EXPECT_EQ(SimBus::StaleHandleUses(), 0u);
  }
};

TEST_F(ReaderOnSim, IdleWithoutAHandle) {
  ASSERT_TRUE(WaitPasses(5));
  EXPECT_EQ(recorder::Count(), 0u);
}

TEST_F(ReaderOnSim, FieldsFollowTheControllerInOrder) {
  swr::SetReadHandle(OpenController());
  ASSERT_TRUE(testwait::WaitUntil([] { return recorder::Count() >= 25; }));
  const auto updates = recorder::Updates();
  const int order[] = {swr::ActiveSensorField, swr::ForwardField, swr::ReflectedField,
                       swr::SwrField, swr::PowerField};
  for (std::size_t i = 0; i < 25; ++i) EXPECT_EQ(updates[i].first, order[i % 5]) << i;
  EXPECT_EQ(recorder::Fields()[swr::ActiveSensorField], "1");

  // A command reaches the controller and its reports show it.
  const HidLink::Handle w = OpenController();
  const std::uint8_t select[9] = {0, 3, 2, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(HidLink::Write(w, select, 9), 9);
  HidLink::Close(w);
  EXPECT_TRUE(testwait::WaitUntil(
      [] { return recorder::Fields()[swr::ActiveSensorField] == "2"; }));
}

TEST_F(ReaderOnSim, AtMostOnePassPerPause) {
  SimBus::SetReportRate(1000);  // far faster than the reader
  swr::SetReadHandle(OpenController());
  ASSERT_TRUE(WaitPasses(2));
  // The pause is at least 20 ms, so however loaded the machine, the passes
  // in a window can never outnumber its length / 20 ms by more than one.
  const std::uint64_t p0 = swr::ReaderPasses();
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const std::uint64_t passes = swr::ReaderPasses() - p0;
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
  EXPECT_LE(passes, static_cast<std::uint64_t>(ms / 20 + 1));
  EXPECT_GT(passes, 0u);
}

TEST_F(ReaderOnSim, LastTextsKeptAfterUnplug) {
  swr::SetReadHandle(OpenController());
  ASSERT_TRUE(testwait::WaitUntil([] { return recorder::Count() >= 10; }));
  SimBus::SetPlugged(false);
  const std::size_t atUnplug = recorder::Count();
  // Reads now fail at once; the passes show the last report again, until
  // the link supervision takes the handle away.
  ASSERT_TRUE(WaitPasses(3));
  swr::CloseReadHandle();
  const auto shown = recorder::Fields();
  const std::size_t count = recorder::Count();
  ASSERT_TRUE(WaitPasses(5));
  EXPECT_EQ(recorder::Count(), count);  // idle: no field touched
  EXPECT_EQ(recorder::Fields(), shown);
  // What stays is a real reading, not the blank of an empty buffer.
  EXPECT_NE(shown.at(swr::ForwardField), "0");
  EXPECT_NE(shown.at(swr::SwrField), "***");
  // Nothing read after the unplug: every text set since is the last report's.
  const auto updates = recorder::Updates();
  for (std::size_t i = atUnplug; i < updates.size(); ++i) {
    EXPECT_EQ(updates[i].second, shown.at(updates[i].first)) << i;
  }
  EXPECT_GT(updates.size(), atUnplug);  // the failed reads did set them again
}

TEST_F(ReaderOnSim, ThousandsOfClosesUnderBlockedReads) {
  // A silent controller: every read blocks until the closer wakes it.
  SimBus::SetReportRate(0);
  int blockedAtClose = 0;
  constexpr int kCycles = 2000;
  // A close that never returns (a read not woken) is a failure, not a hang:
  // after 10 s without progress the watchdog unplugs the controller, which
  // fails the read.
  testwait::Watchdog watchdog([] { SimBus::SetPlugged(false); });
  for (int i = 0; i < kCycles && !watchdog.Stuck(); ++i, watchdog.Progress()) {
    // Some cycles with reports flowing, most with reads that never end.
    SimBus::SetReportRate(i % 10 == 9 ? 1000 : 0);
    const HidLink::Handle h = OpenController();
    EXPECT_NE(h, 0);
    swr::SetReadHandle(h);
    if (i % 4 == 0) {
      // Wait for the reader to block in a read on it, then take it away.
      EXPECT_TRUE(testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }) ||
                  i % 10 == 9);
      if (SimBus::BlockedReads() > 0) ++blockedAtClose;
    } else if (i % 4 == 1) {
      std::this_thread::yield();
    }
    // Otherwise closed at once, racing the reader taking the handle.
    swr::CloseReadHandle();
    EXPECT_EQ(swr::ReadHandle(), 0);
  }
  watchdog.Finish();
  ASSERT_FALSE(watchdog.Stuck()) << "a close waited for a read that was never woken";
  EXPECT_GE(blockedAtClose, kCycles / 4 - kCycles / 10);
  EXPECT_EQ(SimBus::StaleHandleUses(), 0u);  // no read on a closed handle
  EXPECT_EQ(SimBus::OpenHandles(), 0);
}

TEST_F(ReaderOnSim, AReportHeldBehindAWaitingReadIsShownOnTheSecondTick) {
  // Fast reports are read without showing each; when the controller then
  // goes quiet, the last read waits with the newest report not shown.
  swr::SetReadHandle(OpenController());
  bool held = false;
  for (int attempt = 0; attempt < 20 && !held; ++attempt) {
    SimBus::SetReportRate(1000);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    SimBus::SetReportRate(0);
    held = testwait::WaitUntil([] { return SimBus::BlockedReads() > 0; }) &&
           swr::ReaderHoldsAReportForTests();
  }
  ASSERT_TRUE(held) << "the reader never read ahead of a quiet controller";
  const std::size_t before = recorder::Count();
  swr::ReleaseHeldReport();  // the first tick only notes the read
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(recorder::Count(), before);
  swr::ReleaseHeldReport();
  ASSERT_TRUE(testwait::WaitUntil([before] { return recorder::Count() >= before + 4; }));
  // The reader reads on and waits again, now with nothing held back.
  EXPECT_TRUE(testwait::WaitUntil(
      [] { return SimBus::BlockedReads() > 0 && !swr::ReaderHoldsAReportForTests(); }));
  EXPECT_TRUE(SimBus::LastDelivered().sequence > 0);
}

// The reader is held between taking the handle and announcing its read
// while the handle is closed: it must notice and not read.
std::atomic<bool> heldInWindow{false};
std::atomic<bool> release{false};
void HoldInWindow() {
  heldInWindow = true;
  testwait::WaitUntil([] { return release.load(); }, std::chrono::seconds(5));
  release = false;
  heldInWindow = false;
}

TEST_F(ReaderOnSim, CloseBetweenTakingTheHandleAndReading) {
  SimBus::SetReportRate(0);
  swr::SetHandleTakenHookForTests(HoldInWindow);
  for (int i = 0; i < 20; ++i) {
    swr::SetReadHandle(OpenController());
    ASSERT_TRUE(testwait::WaitUntil([] { return heldInWindow.load(); }));
    swr::CloseReadHandle();  // the reader has not announced a read: at once
    release = true;
    ASSERT_TRUE(testwait::WaitUntil([] { return !heldInWindow.load(); }));
  }
  swr::SetHandleTakenHookForTests(nullptr);
  EXPECT_EQ(SimBus::StaleHandleUses(), 0u);
}

}  // namespace
