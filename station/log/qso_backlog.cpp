// The station log's QSO backlog: the QSOs handed to AddQso wait in a queue,
// go to the writer's backlog each round (bounded), are written in the
// commit's transaction with the QSOs that the transmissions just written
// fill in, and are told to Qsos() and the listener once the commit holds.
#include "station/log/log_store.h"

#include <algorithm>
#include <utility>

#include "station/log/qso_store.h"

namespace station {

void StationLog::AddQso(const Qso& qso) {
  std::lock_guard<std::mutex> lock(mutex_);
  qsoQueue_.push_back(qso);
  if (qsoQueue_.size() > kMaxBacklogQsos) qsoQueue_.erase(qsoQueue_.begin());
}

void StationLog::TakeQueuedQsos() {
  for (Qso& q : qsoQueue_) qsoBacklog_.push_back(std::move(q));
  qsoQueue_.clear();
  if (qsoBacklog_.size() > kMaxBacklogQsos) {
    qsoBacklog_.erase(qsoBacklog_.begin(),
                      qsoBacklog_.end() - static_cast<long>(kMaxBacklogQsos));
  }
}

bool StationLog::CommitQsos(std::string& error) {
  // Told only once the commit holds; a rollback takes them back.
  qsoNews_.clear();
  std::vector<Qso> filled;
  const auto& list = backlog_.transmissions;
  if (!list.empty()) {
    std::int64_t from = list.front().startUnixMs, to = list.front().endUnixMs;
    for (const Transmission& t : list) {
      from = std::min(from, t.startUnixMs);
      to = std::max(to, t.endUnixMs);
    }
    if (!RematchQsos(db_, from, to, to - kQsoRematchWindowMs, error, &filled)) return false;
  }
  for (Qso& q : filled) qsoNews_.emplace_back(std::move(q), false);
  for (const Qso& q : qsoBacklog_) {
    Qso stored;
    if (!InsertQso(db_, q, error, &stored)) return false;
    qsoNews_.emplace_back(std::move(stored), true);
  }
  return true;
}

void StationLog::TellQsos() {
  if (qsoNews_.empty()) return;
  for (const auto& [qso, stored] : qsoNews_) qsos_.Add(qso, stored);
  qsoNews_.clear();
  if (qsosTold_) qsosTold_();
}

}  // namespace station
