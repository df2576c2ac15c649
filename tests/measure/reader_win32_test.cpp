// The reader on the Windows bus, closing its handle while it is blocked in
// a synchronous read: the cancel must reach the read on a real handle. The
// device is a stand-in (a named pipe instance per cycle that never sends).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "measure/reader.h"
#include "text_recorder.h"

namespace {

TEST(ReaderOnWin32Bus, ClosesUnderBlockedReads) {
  HidLink::Init();
  recorder::Clear();
  ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
  const std::string name = "\\\\.\\pipe\\swr_reader_test_" + std::to_string(GetCurrentProcessId());
  constexpr int kCycles = 300;
  for (int i = 0; i < kCycles; ++i) {
    const HANDLE server = CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
        PIPE_UNLIMITED_INSTANCES, 64, 64, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    const HidBus::Handle h = HidBus::OpenPath(name, HidBus::Access::ReadWrite);
    ASSERT_GT(h, 0);
    swr::SetReadHandle(h);
    if (i % 2 == 0) {
      // Longer than the reader's pause: it is in the read by now, where it
      // stays (the stand-in never sends).
      Sleep(30);
    }
    swr::CloseReadHandle();  // returns only once the reader has left the read
    CloseHandle(server);
  }
  swr::StopReaderThreadForTests();
  // Every pass that read failed (cancelled): the texts of the zero buffer.
  EXPECT_GT(recorder::Count(), 0u);
}

}  // namespace
