// Reading the controller's newest report. The HID stack queues the reports
// nobody has read yet on each handle (a few dozen, oldest first), so a
// reader that takes one report per pass shows one that is older the faster
// the controller sends. The handles are synchronous: a read can neither
// peek nor time out. What a read does tell is how long it took: one that
// returns at once took a report that was already queued, so there may be
// more; one that had to wait got a report the controller has just sent.
//
// So a pass reads on while reads return at once. The read after the last
// queued report waits for the controller's next one, which may be long in
// coming (a controller can pause, or send only on change), so before any
// read that may have to wait the newest report read so far is shown. Which
// reads should return at once follows from the report rate of the last two
// passes: those are read without showing anything.
#pragma once

#include <chrono>

namespace swr {

using ReadClock = std::chrono::steady_clock;

// Most reads in one pass: more than a full input queue (32 reports on
// Windows, 64 on Linux by default) plus what arrives while it is read.
constexpr int kMaxReadsPerPass = 80;
// A read that took at least this long waited for its report. A queued
// report comes back within microseconds. (A read held up on a busy machine
// looks the same; while more reports are expected queued, a wait does not
// end the pass.)
constexpr ReadClock::duration kFreshAfter = std::chrono::microseconds(500);
// No further read is begun once a pass has read this long: a controller
// sending faster than one report per kFreshAfter cannot keep it reading.
constexpr ReadClock::duration kMostReadingPerPass = std::chrono::milliseconds(8);
// Reports are read unseen only while the controller sends faster than this
// over each of the last two passes. A sender that waits for each report to be
// shown before it sends the next (a test driver) brings about two per pass:
// the one queued during the pause and the one a read waited for, at most
// 100/s with a 20 ms pause that may end a little early. One burst of reports
// in a single pass is not yet a rate. A report read unseen and then held
// behind a read that waits stays unshown until the next report comes, or
// until the link supervision cancels that read (ReleaseHeldReport).
constexpr double kLeastQueueingRate = 150.0;
// The same for a reader that reads on without a pause (swrctl watch): its
// passes follow each other at once, so reports queue up only while a line is
// being written, and the rate can be trusted from one report per pause on.
constexpr double kLeastQueueingRateWithoutPause = 60.0;

// What the reads of one pass did.
struct ReadRun {
  int reads = 0;         // successful reads
  int shows = 0;         // reports shown, the one at the end included
  bool waited = false;   // the last read waited: its report is the newest
  bool failed = false;   // a read failed (or was not made) and ended the pass
  ReadClock::time_point end{};  // when the last read returned
};

// The controller's report rate as the last two passes saw it (the lower of
// the two), and from it how many reports have queued up since.
class ReportRate {
 public:
  explicit ReportRate(double leastQueueingRate = kLeastQueueingRate)
      : leastQueueingRate_(leastQueueingRate) {}
  int QueuedSince(ReadClock::time_point now) const;
  void Record(const ReadRun& run);
  // Forgets everything (another handle, another device).
  void Reset() { *this = ReportRate(leastQueueingRate_); }
  double PerSecond() const { return perSecond_; }

 private:
  double leastQueueingRate_;
  bool known_ = false;
  ReadClock::time_point lastEnd_{};
  double lastPassPerSecond_ = 0;  // what the last pass measured alone
  double perSecond_ = 0;
};

// One pass: calls `readOnce(holding)` (one read into the caller's buffer; the
// bytes moved, 0 on failure) while reads return at once, up to the limits
// above; `holding` is true when the buffer holds a report not yet shown,
// which a read that waits would hold back. Calls `show` (show the buffer)
// before each read that may have to wait and once at the end, also after a
// failed read (the buffer then holds the last report read).
template <typename Clock = ReadClock, typename ReadOnce, typename Show>
ReadRun ReadNewest(ReportRate& rate, ReadOnce&& readOnce, Show&& show) {
  ReadRun run;
  const ReadClock::time_point first = Clock::now();
  const int queued = rate.QueuedSince(first);
  run.end = first;
  bool unshown = false;
  const auto showNow = [&] {
    show();
    ++run.shows;
    unshown = false;
  };
  while (run.reads < kMaxReadsPerPass && run.end - first < kMostReadingPerPass) {
    if (unshown && run.reads >= queued) showNow();
    const ReadClock::time_point start = Clock::now();
    const int n = readOnce(unshown);
    run.end = Clock::now();
    if (n <= 0) {
      run.failed = true;
      break;
    }
    ++run.reads;
    unshown = true;
    run.waited = run.end - start >= kFreshAfter;
    if (run.waited && run.reads >= queued) break;
    // More were expected queued: the read was held up (or the controller
    // slowed down). Show it, and read on in case they are there.
    if (run.waited) showNow();
  }
  showNow();
  rate.Record(run);
  return run;
}

}  // namespace swr
