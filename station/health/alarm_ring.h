// The readings of the last seconds at the controller's full rate, kept in
// memory for the alarm's record: the device loop pushes each reading under a
// lock held for one copy, and the alarm's recorder takes the stretch it
// needs. Bounded by count: capacity readings at most, the oldest overwritten.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace station {

struct RingReading {
  std::int64_t unixMs = 0;
  std::int64_t steadyMs = 0;
  int sensor = 0;
  double power = 0;  // NaN: no number
  double swr = 0;    // NaN: no number
};

class ReadingRing {
 public:
  explicit ReadingRing(std::size_t capacity);
  // From the device loop; never waits longer than another caller's copy.
  void Push(const RingReading& reading);
  // The readings with steadyMs in (afterMs, untilMs], oldest first.
  std::vector<RingReading> Between(std::int64_t afterMs, std::int64_t untilMs) const;
  std::size_t Capacity() const { return slots_.size(); }
  std::size_t Size() const;

 private:
  mutable std::mutex mutex_;
  std::vector<RingReading> slots_;
  std::size_t next_ = 0;   // where the next reading goes
  std::size_t count_ = 0;  // readings held, up to the capacity
};

// The readings a second the ring is sized for: the fastest controller the
// record keeps whole. Faster ones shorten the seconds before the alarm.
constexpr std::size_t kRingReadingsPerSecond = 1000;

}  // namespace station
