// The station's transmissions since the start; see on_air.h.
#include "station/log/on_air.h"

namespace station {

void OnAir::Add(const Transmission& t) {
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string band = t.band.value_or("");
  OnAirCount& count = counts_[{t.sensor, band}];
  count.sensor = t.sensor;
  count.band = band;
  ++count.transmissions;
  count.seconds += static_cast<double>(t.DurationMs()) / 1000;
  recent_.emplace_back(++sequence_, t);
  if (recent_.size() > kKept) recent_.pop_front();
}

std::vector<OnAirCount> OnAir::Counts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<OnAirCount> counts;
  for (const auto& entry : counts_) counts.push_back(entry.second);
  return counts;
}

std::uint64_t OnAir::Since(std::uint64_t seen, std::vector<Transmission>& out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [sequence, t] : recent_) {
    if (sequence > seen) out.push_back(t);
  }
  return sequence_;
}

}  // namespace station
