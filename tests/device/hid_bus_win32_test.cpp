// The Windows bus on a real system (run under Wine): the search over the
// system's HID interfaces, its failure when the libraries are gone, and the
// synchronous transfers and their cancel on a stand-in device (a named pipe,
// which like a HID handle does synchronous whole-message I/O).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "device/hid_link.h"
#include "device/reports.h"
#include "wait_until.h"

namespace {

TEST(Win32Bus, SearchRunsAndLeavesNothingOpen) {
  HidLink::Init();
  const HidBus::DeviceSet set = HidBus::OpenDeviceSet();
  ASSERT_NE(set, 0);
  std::string path;
  int count = 0;
  while (count < HidLink::kMaxInterfaces && HidBus::InterfacePath(set, count, path)) ++count;
  HidBus::CloseDeviceSet(set);
  // No controller on this machine; whatever HID devices it has, none match.
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 0);
  EXPECT_EQ(HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId), 0);
  // Without the libraries nothing is found and nothing is called.
  HidLink::Shutdown();
  EXPECT_EQ(HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId), 0);
  const HidBus::DeviceSet empty = HidBus::OpenDeviceSet();
  if (empty != 0) {
    EXPECT_FALSE(HidBus::InterfacePath(empty, 0, path));
    HidBus::CloseDeviceSet(empty);
  }
  HidLink::Init();
}

TEST(Win32Bus, OpenFailuresGiveZero) {
  EXPECT_EQ(HidBus::OpenPath("", HidBus::Access::Query), 0);
  EXPECT_EQ(HidBus::OpenPath("\\\\?\\hid#nonexistent#0", HidBus::Access::ReadWrite), 0);
}

class PipeDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    name_ = "\\\\.\\pipe\\swr_bus_test_" + std::to_string(GetCurrentProcessId());
    server_ = CreateNamedPipeA(name_.c_str(), PIPE_ACCESS_DUPLEX,
                               PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 64, 64,
                               0, nullptr);
    ASSERT_NE(server_, INVALID_HANDLE_VALUE);
    handle_ = HidBus::OpenPath(name_, HidBus::Access::ReadWrite);
    ASSERT_GT(handle_, 0);
  }
  void TearDown() override {
    HidBus::ClosePath(handle_);
    CloseHandle(server_);
  }
  std::string name_;
  HANDLE server_ = INVALID_HANDLE_VALUE;
  HidBus::Handle handle_ = 0;
};

TEST_F(PipeDevice, WholeReportsBothWays) {
  const std::uint8_t report[9] = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(server_, report, 9, &n, nullptr));
  std::uint8_t got[9] = {};
  EXPECT_EQ(HidLink::Read(handle_, got, 9), 9);
  EXPECT_EQ(got[8], 8);
  EXPECT_EQ(HidLink::Write(handle_, report, 9), 9);
  std::uint8_t back[16] = {};
  ASSERT_TRUE(ReadFile(server_, back, sizeof back, &n, nullptr));
  EXPECT_EQ(n, 9u);
}

TEST_F(PipeDevice, CancelWakesABlockedRead) {
  std::atomic<bool> done{false};
  int result = -1;
  std::thread reader([&] {
    std::uint8_t r[9];
    result = HidLink::Read(handle_, r, 9);
    done = true;
  });
  // Repeated, as the reader's closer does: a cancel before the read has
  // started does nothing.
  const bool woken = testwait::WaitUntil([&] {
    HidBus::CancelRead(handle_);
    return done.load();
  });
  if (!woken) {
    // Unblock the reader so the test ends, then fail.
    DWORD n = 0;
    const std::uint8_t report[9] = {};
    WriteFile(server_, report, 9, &n, nullptr);
  }
  reader.join();
  EXPECT_TRUE(woken);
  EXPECT_EQ(result, 0);
}

}  // namespace
