#include "measure/newest_report.h"

#include <algorithm>

namespace swr {

int QueueEstimate::ReadsFor(ReadClock::time_point now) const {
  const ReadClock::duration sinceFresh = now - anchor_;
  if (!anchored_ || period_.count() <= 0 || checkNext_ || sinceFresh >= kCheckEvery)
    return kMaxReadsPerPass;
  // Reports arrive once a period after the fresh one; those not read yet
  // are queued. Rounded down: one read too many would wait for a report.
  const auto arrived = sinceFresh / period_;
  const auto queued = arrived - readSinceAnchor_;
  return static_cast<int>(std::clamp<decltype(queued)>(queued, 1, kMaxReadsPerPass));
}

void QueueEstimate::Record(const ReadRun& run) {
  if (run.failed) {
    // A device that failed a read (or a handle taken away) is measured anew.
    anchored_ = false;
    checkNext_ = false;
    return;
  }
  if (!run.waited) {
    readSinceAnchor_ += run.reads;
    return;
  }
  // The queue was empty when the last read began: every report since the
  // previous fresh one has been read, so their count over the time between
  // the two is the period (unless the queue overflowed, which the next
  // samples correct).
  const int reports = readSinceAnchor_ + run.reads;
  checkNext_ = false;
  if (anchored_ && reports > 0) {
    const ReadClock::duration sample = (run.end - anchor_) / reports;
    const ReadClock::duration change = sample > period_ ? sample - period_ : period_ - sample;
    if (period_.count() <= 0 || change > period_ / 4) {
      period_ = sample;
      checkNext_ = true;
    } else {
      period_ = (3 * period_ + sample) / 4;
    }
  }
  anchored_ = true;
  anchor_ = run.end;
  readSinceAnchor_ = 0;
}

void QueueEstimate::Reset() { *this = QueueEstimate(); }

}  // namespace swr
