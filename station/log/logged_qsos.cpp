// The QSOs logged since the start; see logged_qsos.h.
#include "station/log/logged_qsos.h"

namespace station {

void LoggedQsos::Add(const Qso& qso, bool stored) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (stored) ++counts_[QsoBand(qso)];
  recent_.emplace_back(++sequence_, qso);
  if (recent_.size() > kKept) recent_.pop_front();
}

std::vector<QsoBandCount> LoggedQsos::Counts() const {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<QsoBandCount> counts;
  for (const auto& [band, n] : counts_) counts.push_back({band, n});
  return counts;
}

std::uint64_t LoggedQsos::Since(std::uint64_t seen, std::vector<Qso>& out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const auto& [sequence, qso] : recent_) {
    if (sequence > seen) out.push_back(qso);
  }
  return sequence_;
}

std::uint64_t LoggedQsos::Newest() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return sequence_;
}

}  // namespace station
