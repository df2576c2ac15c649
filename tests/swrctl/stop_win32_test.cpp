// Ctrl+C's stop request on the Windows bus: a cancel issued just before the
// read starts does not stick there, so the interrupt must keep at it until
// the read has ended. The device is a named pipe, which like a HID handle
// does synchronous whole-message reads.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "device/hid_link.h"
#include "station/core/stop_signal.h"

namespace {

TEST(SwrctlStopWin32, InterruptWakesAReadThatStartsAfterIt) {
  HidLink::Init();
  const std::string name = "\\\\.\\pipe\\swrctl_stop_test_" + std::to_string(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
                                         64, 64, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const HidBus::Handle handle = HidBus::OpenPath(name, HidBus::Access::ReadWrite);
  ASSERT_GT(handle, 0);

  station::StopSignal stop;
  stop.PublishReadHandle(handle);
  std::atomic<bool> done{false};
  int result = -1;
  std::thread watcher([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // after the first cancel
    std::uint8_t report[9];
    result = HidLink::Read(handle, report, 9);
    stop.PublishReadHandle(0);
    done = true;
  });
  // Should the cancels never take, a report ends the read after 10 s and
  // the test fails instead of hanging.
  std::thread rescue([&] {
    for (int i = 0; i < 1000 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done) {
      const std::uint8_t report[9] = {};
      DWORD n = 0;
      WriteFile(server, report, 9, &n, nullptr);
    }
  });
  stop.Interrupt();
  watcher.join();
  rescue.join();
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(stop.StopRequested());
  HidBus::ClosePath(handle);
  CloseHandle(server);
}

}  // namespace
