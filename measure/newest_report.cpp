// The report rate of the last passes and how many reads of a pass may be
// taken without showing each report; see newest_report.h.
#include "measure/newest_report.h"

#include <algorithm>

namespace swr {

int ReportRate::QueuedSince(ReadClock::time_point now) const {
  if (!known_) return 0;
  // Rounded down: reading one more than is queued waits without the
  // newest having been shown first.
  const double seconds = std::chrono::duration<double>(now - lastEnd_).count();
  return static_cast<int>(std::clamp(seconds * perSecond_, 0.0, double{kMaxReadsPerPass}));
}

void ReportRate::Record(const ReadRun& run) {
  if (run.failed) {
    // A device that failed a read (or a handle taken away) is measured anew.
    Reset();
    return;
  }
  // The reports read since the last pass ended came in since then (unless
  // some were left queued, which only makes the rate low: the newest is
  // then shown sooner than needed).
  const double seconds = std::chrono::duration<double>(run.end - lastEnd_).count();
  const double measured = known_ && seconds > 0 ? run.reads / seconds : 0.0;
  // A slower or irregular sender (one report now and then, or one burst)
  // would otherwise have its report read unseen and then held back behind a
  // read that waits for the next one, for as long as that one takes.
  perSecond_ = std::min(measured, lastPassPerSecond_);
  if (perSecond_ < leastQueueingRate_) perSecond_ = 0;
  lastPassPerSecond_ = measured;
  known_ = true;
  lastEnd_ = run.end;
}

}  // namespace swr
