// The reader on the Windows bus, closing its handle while it is blocked in
// a synchronous read: the cancel must reach the read on a real handle. The
// device is a stand-in (a named pipe instance per cycle that never sends).
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "measure/reader.h"
#include "tests/device/wait_until.h"
#include "text_recorder.h"

namespace {

TEST(ReaderOnWin32Bus, ClosesUnderBlockedReads) {
  HidLink::Init();
  recorder::Clear();
  ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
  const std::string name = "\\\\.\\pipe\\swr_reader_test_" + std::to_string(GetCurrentProcessId());
  constexpr int kCycles = 300;
  // A close that never returns (a read not cancelled) fails the test rather
  // than hanging it: after 10 s without progress the watchdog sends the
  // stand-in's first report, which ends the read.
  std::atomic<HANDLE> current{nullptr};
  testwait::Watchdog watchdog([&current] {
    const std::uint8_t report[9] = {};
    DWORD n = 0;
    WriteFile(current.load(), report, 9, &n, nullptr);
  });
  for (int i = 0; i < kCycles; ++i, watchdog.Progress()) {
    const HANDLE server = CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
        PIPE_UNLIMITED_INSTANCES, 64, 64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    current = server;
    const HidBus::Handle h = HidBus::OpenPath(name, HidBus::Access::ReadWrite);
    ASSERT_GT(h, 0);
    swr::SetReadHandle(h);
    if (i % 2 == 0) {
      // Longer than the reader's pause: it is in the read by now, where it
      // stays (the stand-in never sends).
      Sleep(30);
    }
    swr::CloseReadHandle();  // returns only once the reader has left the read
    current = nullptr;
    CloseHandle(server);
    if (watchdog.Stuck()) break;
  }
  watchdog.Finish();
  swr::StopReaderThreadForTests();
  ASSERT_FALSE(watchdog.Stuck()) << "a close waited for a read that was never cancelled";
  // Every pass that read failed (cancelled): the texts of the zero buffer.
  EXPECT_GT(recorder::Count(), 0u);
}

}  // namespace
