#include "measure/newest_report.h"

#include <algorithm>

namespace swr {

int QueueEstimate::StartPass(ReadClock::time_point now) {
  const ReadClock::duration sinceCheck = now - anchor_;
  const bool known = anchored_ && period_.count() > 0;
  // Reports arrive once a period after the check's fresh one; those not
  // read yet are queued. Rounded down: one read too many waits for a report.
  const auto queued = known ? sinceCheck / period_ - readSinceAnchor_ : 0;
  const int expected = static_cast<int>(std::clamp<decltype(queued)>(queued, 0, kMaxReadsPerPass));
  checking_ = !known || checkNext_ || sinceCheck >= kCheckEvery;
  planned_ = checking_ ? kMaxReadsPerPass : std::max(expected, 1);
  least_ = checking_ ? expected : planned_;
  return planned_;
}

void QueueEstimate::Record(const ReadRun& run) {
  if (run.failed) {
    // A device that failed a read (or a handle taken away) is measured anew.
    anchored_ = false;
    checkNext_ = false;
    return;
  }
  if (!checking_ || !run.waited) {
    readSinceAnchor_ += run.reads;
    // The time ran out before the planned reads: fewer reports came than
    // expected, or reads were held up. Measure again.
    if (run.reads < planned_) checkNext_ = true;
    return;
  }
  // The queue was empty when the check's last read began: every report
  // since the previous check's fresh one has been read, so their count over
  // the time between the two is the period (unless the queue overflowed,
  // which later checks correct).
  const int reports = readSinceAnchor_ + run.reads;
  checkNext_ = false;
  if (anchored_ && reports > 0) {
    const ReadClock::duration sample = (run.end - anchor_) / reports;
    const ReadClock::duration change = sample > period_ ? sample - period_ : period_ - sample;
    if (period_.count() <= 0 || change > period_ / 4) {
      period_ = sample;
      checkNext_ = true;  // confirmed by the next pass
    } else {
      period_ = (3 * period_ + sample) / 4;
    }
  }
  anchored_ = true;
  anchor_ = run.end;
  readSinceAnchor_ = 0;
}

ReadClock::duration QueueEstimate::ClearWait() const {
  return checking_ && period_.count() > 0 ? std::max(period_ / 2, kHeldUpRead)
                                          : ReadClock::duration::zero();
}

void QueueEstimate::Reset() { *this = QueueEstimate(); }

}  // namespace swr
