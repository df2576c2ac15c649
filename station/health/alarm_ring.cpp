// The ring of recent readings: a fixed vector written round, read by copy.
#include "station/health/alarm_ring.h"

namespace station {

ReadingRing::ReadingRing(std::size_t capacity) : slots_(capacity > 0 ? capacity : 1) {}

void ReadingRing::Push(const RingReading& reading) {
  std::lock_guard<std::mutex> lock(mutex_);
  slots_[next_] = reading;
  next_ = (next_ + 1) % slots_.size();
  if (count_ < slots_.size()) ++count_;
}

std::size_t ReadingRing::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return count_;
}

std::vector<RingReading> ReadingRing::Between(std::int64_t afterMs, std::int64_t untilMs) const {
  std::vector<RingReading> out;
  std::lock_guard<std::mutex> lock(mutex_);
  const std::size_t n = slots_.size();
  const std::size_t first = (next_ + n - count_) % n;
  for (std::size_t i = 0; i < count_; ++i) {
    const RingReading& r = slots_[(first + i) % n];
    if (r.steadyMs > afterMs && r.steadyMs <= untilMs) out.push_back(r);
  }
  return out;
}

}  // namespace station
