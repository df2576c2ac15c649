// The reader thread: its passes over the read handle, the newest report shown
// to the text sink, and the handshake that lets the user-interface thread
// take the handle away while a read is blocked on it.
#include "measure/reader.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "measure/decode.h"
#include "measure/fields.h"
#include "measure/newest_report.h"
#include "measure/reader_pause.h"
#include "measure/reader_test_hooks.h"

namespace swr {

namespace {

// readHandle: written by the user-interface thread only.
std::atomic<HidLink::Handle> readHandle{0};
// The handle the reader is inside a read on, or 0. Together with readHandle
// this is a two-flag handshake: the reader announces the handle before it
// checks readHandle once more, the closer withdraws readHandle before it
// checks this, so (with sequentially consistent ordering) at least one of
// them sees the other and the handle is never read after it was closed.
std::atomic<HidLink::Handle> readerInRead{0};
std::atomic<std::uint64_t> passes{0};
// The number of the read in progress that the reader began while its buffer
// held a report not yet shown (it expected more queued), or 0. Such a read
// that waits long is cancelled, so that report is shown after all.
std::atomic<std::uint64_t> heldRead{0};
std::atomic<bool> stopRequested{false};
std::atomic<bool> running{false};
std::thread readerThread;
std::atomic<void (*)()> handleTakenHook{nullptr};
// Cancels that CloseReadHandle tries between mere yields before it sleeps.
constexpr int kYieldTries = 64;

void ReaderLoop(TextSink sink) {
  // Owned by this thread alone; a failed read shows the last report read.
  std::uint8_t received[10] = {};
  ReportRate rate;
  HidLink::Handle measured = 0;  // the handle `rate` describes
  std::uint64_t heldReads = 0;
  const auto show = [sink, &received] {
    const DisplayTexts texts = DecodeReport(received);
    if (texts.hasSensor) sink(ActiveSensorField, texts.sensor);
    sink(ForwardField, texts.forward);
    sink(ReflectedField, texts.reflected);
    sink(SwrField, texts.swr);
    sink(PowerField, texts.power);
  };
  while (!stopRequested.load(std::memory_order_relaxed)) {
    const HidLink::Handle handle = readHandle.load();
    if (handle != 0) {
      if (handle != measured) {
        rate.Reset();
        measured = handle;
      }
      if (const auto hook = handleTakenHook.load(std::memory_order_relaxed)) hook();
      // Every read of the pass is announced and readHandle checked again
      // before it; a handle taken away (or a failed read) ends the pass.
      ReadNewest(
          rate,
          [handle, &received, &heldReads](bool holding) {
            readerInRead.store(handle);
            if (holding) heldRead.store(++heldReads);
            int moved = 0;
            if (readHandle.load() == handle) moved = HidLink::Read(handle, received, 9);
            heldRead.store(0);
            readerInRead.store(0);
            return moved;
          },
          show);
    }
    passes.fetch_add(1, std::memory_order_relaxed);
    ReaderPause();
  }
  running.store(false);
}

}  // namespace

bool StartReaderThread(TextSink sink) {
  if (sink == nullptr) return false;
  if (running.exchange(true)) return true;
  stopRequested.store(false);
  try {
    readerThread = std::thread(ReaderLoop, sink);
  } catch (...) {
    running.store(false);
    return false;
  }
  return true;
}

HidLink::Handle ReadHandle() { return readHandle.load(); }

void SetReadHandle(HidLink::Handle handle) { readHandle.store(handle); }

void CloseReadHandle() {
  const HidLink::Handle handle = readHandle.exchange(0);
  if (handle == 0) return;
  // Wake the read until the reader has left it; the cancel is repeated
  // because it may arrive just before the read starts blocking. The reader
  // normally leaves within a few tries; should a read not be cancellable,
  // it ends at the controller's next report, and meanwhile this thread
  // waits in 1 ms sleeps instead of spinning.
  for (int tries = 0; readerInRead.load() == handle; ++tries) {
    HidBus::CancelRead(handle);
    if (tries < kYieldTries) {
      std::this_thread::yield();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  HidLink::Close(handle);
}

void ReleaseHeldReport() {
  static std::uint64_t seenLastTime = 0;  // user-interface thread only
  const std::uint64_t held = heldRead.load();
  if (held != 0 && held == seenLastTime) {
    // The same held read as on the last call: the controller went quiet
    // after a run of fast reports. A cancelled read fails, and the reader
    // shows the report it holds; a cancel that misses (the read has just
    // returned) does nothing, or costs one read shown again.
    if (const HidLink::Handle inRead = readerInRead.load()) HidBus::CancelRead(inRead);
  }
  seenLastTime = held;
}

std::uint64_t ReaderPasses() { return passes.load(); }

void SetHandleTakenHookForTests(void (*hook)()) { handleTakenHook.store(hook); }

bool ReaderHoldsAReportForTests() { return heldRead.load() != 0; }

void StopReaderThreadForTests() {
  stopRequested.store(true);
  // A read the reader is blocked in is woken, so the join is bounded.
  while (running.load()) {
    const HidLink::Handle inRead = readerInRead.load();
    if (inRead != 0) HidBus::CancelRead(inRead);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (readerThread.joinable()) readerThread.join();
  readerThread = std::thread();
  running.store(false);
}

}  // namespace swr
