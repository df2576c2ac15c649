// Reading the controller's newest report. The HID stack queues the reports
// nobody has read yet on each handle (a few dozen, oldest first), so a
// reader that takes one report per pass shows one that is older the faster
// the controller sends. The handles are synchronous: a read can neither
// peek nor time out. What a read does tell is how long it took: one that
// returns at once took a report that was already queued, one that had to
// wait got a report the controller has just sent, which is the newest.
//
// Reading until a read waits would cost every pass a wait of up to one
// report period (at 50 reports/s that halves the readings shown). So a pass
// reads as many reports as the QueueEstimate expects to be queued, from the
// controller's report period it has measured; now and then, and whenever
// it has no estimate, a pass reads on until a read waits, which both
// empties the queue for certain and measures the period again.
#pragma once

#include <chrono>

namespace swr {

using ReadClock = std::chrono::steady_clock;

// Most reads in one pass: more than a full input queue (32 reports on
// Windows, 64 on Linux by default) plus what arrives while it is read.
constexpr int kMaxReadsPerPass = 80;
// A read that took at least this long waited for its report. A queued
// report comes back within microseconds.
constexpr ReadClock::duration kFreshAfter = std::chrono::microseconds(500);
// A pass that has read this long ends: the queue is long empty by then
// (a queued report takes microseconds), so a controller sending faster than
// one report per kFreshAfter cannot keep the reader reading.
constexpr ReadClock::duration kMostReadingPerPass = std::chrono::milliseconds(3);
// How often a pass reads on until a read waits, however good the estimate.
constexpr ReadClock::duration kCheckEvery = std::chrono::milliseconds(250);

// What the reads of one pass did.
struct ReadRun {
  int bytes = 0;         // moved by the last successful read; 0: none succeeded
  int reads = 0;         // successful reads
  bool waited = false;   // the last read waited: its report is the newest
  bool failed = false;   // a read failed (or was not made) and ended the pass
  ReadClock::time_point end{};  // when the last read returned
};

// How many reports wait in the input queue of one handle.
class QueueEstimate {
 public:
  // The reads a pass starting at `now` makes at most: the reports expected
  // to be queued (at least 1), or kMaxReadsPerPass for a pass that reads on
  // until a read waits.
  int ReadsFor(ReadClock::time_point now) const;
  void Record(const ReadRun& run);
  // Forgets everything (another handle, another device).
  void Reset();
  // The controller's report period as measured; zero while unknown.
  ReadClock::duration Period() const { return period_; }

 private:
  bool anchored_ = false;
  ReadClock::time_point anchor_{};  // when the newest fresh report arrived
  int readSinceAnchor_ = 0;         // reports read after that one
  ReadClock::duration period_{0};
  // The period just changed by much: the next pass reads until a wait to
  // confirm it.
  bool checkNext_ = false;
};

// Calls `readOnce` (one read into the caller's buffer; the bytes moved, 0
// on failure) until a read fails, a read waited, `maxReads` reads were made
// or the reads took kMostReadingPerPass. The buffer then holds the newest
// report read.
template <typename Clock = ReadClock, typename ReadOnce>
ReadRun ReadUntilFresh(int maxReads, ReadOnce&& readOnce) {
  ReadRun run;
  const ReadClock::time_point first = Clock::now();
  run.end = first;
  for (int i = 0; i < maxReads && run.end - first < kMostReadingPerPass; ++i) {
    const ReadClock::time_point start = Clock::now();
    const int n = readOnce();
    run.end = Clock::now();
    if (n <= 0) {
      run.failed = true;
      break;
    }
    run.bytes = n;
    ++run.reads;
    if (run.end - start >= kFreshAfter) {
      run.waited = true;
      break;
    }
  }
  return run;
}

// One pass: reads what `estimate` expects to be queued and learns from it.
template <typename Clock = ReadClock, typename ReadOnce>
ReadRun ReadNewest(QueueEstimate& estimate, ReadOnce&& readOnce) {
  const ReadRun run = ReadUntilFresh<Clock>(estimate.ReadsFor(Clock::now()), readOnce);
  estimate.Record(run);
  return run;
}

}  // namespace swr
