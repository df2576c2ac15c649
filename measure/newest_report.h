// Reading the controller's newest report. The HID stack queues the reports
// nobody has read yet on each handle (a few dozen, oldest first), so a
// reader that takes one report per pass shows one that is older the faster
// the controller sends. The handles are synchronous: a read can neither
// peek nor time out. What a read does tell is how long it took: one that
// returns at once took a report that was already queued, one that had to
// wait got a report the controller has just sent, which is the newest. (On
// a busy machine a read of a queued report can be held up too, so a single
// wait is not taken as proof where it matters.)
//
// Reading until a read waits would cost every pass a wait of up to one
// report period (at 50 reports/s that halves the readings shown). So a pass
// reads as many reports as the QueueEstimate expects to be queued, from the
// controller's report period it has measured. Now and then, and whenever
// it has no estimate, a check reads on until a read waits, which empties
// the queue and measures the period again.
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
constexpr ReadClock::duration kMostReadingPerPass = std::chrono::milliseconds(8);
// How long a read of a queued report is commonly held up on a busy machine
// (the thread not run, or the system's own I/O path slow).
constexpr ReadClock::duration kHeldUpRead = std::chrono::milliseconds(5);
// How often a pass reads on until a read waits, however good the estimate.
constexpr ReadClock::duration kCheckEvery = std::chrono::milliseconds(200);

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
  // to be queued (at least 1), or kMaxReadsPerPass for a check, a pass that
  // reads on until a read waits.
  int StartPass(ReadClock::time_point now);
  // What the pass just started did.
  void Record(const ReadRun& run);
  // The reads of the pass just started that a wait does not end: an
  // ordinary pass makes all it planned, however long one of them took; a
  // check reads at least the reports expected before a wait ends it.
  int LeastReads() const { return least_; }
  // A wait that ends a check on its own: half a period, and no less than
  // a read is commonly held up on a busy machine. Shorter ones end it when
  // two come in a row.
  ReadClock::duration ClearWait() const;
  // Forgets everything (another handle, another device).
  void Reset();
  // The controller's report period as measured; zero while unknown.
  ReadClock::duration Period() const { return period_; }

 private:
  // Only a check sets the anchor. A read can take long without having
  // waited (the thread was held up), so a wait in an ordinary pass proves
  // nothing; one before the planned reads asks for a check.
  bool anchored_ = false;
  ReadClock::time_point anchor_{};  // when the last check's fresh report came
  int readSinceAnchor_ = 0;         // reports read after that one
  ReadClock::duration period_{0};
  bool checkNext_ = false;
  bool checking_ = false;  // the pass now running is a check
  int planned_ = 0;        // the reads it may make
  int least_ = 0;
};

// Calls `readOnce` (one read into the caller's buffer; the bytes moved, 0
// on failure) until a read fails, `maxReads` reads were made, the reads
// took kMostReadingPerPass, or a read after the first `leastReads` waited:
// for `clearWait` or more, or right after another read that waited. (A
// queued report whose read was held up looks like a short wait; two in a
// row are rare.) The buffer then holds the newest report read.
template <typename Clock = ReadClock, typename ReadOnce>
ReadRun ReadUntilFresh(int maxReads, ReadOnce&& readOnce, int leastReads = 0,
                       ReadClock::duration clearWait = ReadClock::duration::zero()) {
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
    const ReadClock::duration took = run.end - start;
    const bool waitedBefore = run.waited;
    run.waited = took >= kFreshAfter;
    if (run.waited && run.reads > leastReads && (took >= clearWait || waitedBefore)) break;
  }
  return run;
}

// One pass: reads what `estimate` expects to be queued and learns from it.
template <typename Clock = ReadClock, typename ReadOnce>
ReadRun ReadNewest(QueueEstimate& estimate, ReadOnce&& readOnce) {
  const int reads = estimate.StartPass(Clock::now());
  const ReadRun run =
      ReadUntilFresh<Clock>(reads, readOnce, estimate.LeastReads(), estimate.ClearWait());
  estimate.Record(run);
  return run;
}

}  // namespace swr
