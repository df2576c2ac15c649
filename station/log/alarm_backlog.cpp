// The station log's alarm backlog: the recorder's events handed to AddAlarm
// wait in a queue, go to the writer's backlog each round, and are written
// in the commit's transaction in the order given. Both are bounded in
// events and readings, and a run of updates of one alarm is kept as one.
#include "station/log/log_store.h"

#include <utility>

namespace station {
namespace {

// A run of updates of one alarm (its peak climbing) is one event: the last
// one holds the whole record.
void QueueAlarm(std::vector<AlarmEvent>& queue, AlarmEvent event) {
  if (event.kind == AlarmEvent::Kind::Update && !queue.empty() &&
      queue.back().kind == AlarmEvent::Kind::Update &&
      queue.back().state.serial == event.state.serial) {
    queue.back() = std::move(event);
    return;
  }
  queue.push_back(std::move(event));
}

// The newest events within the bounds of events and readings; the oldest go.
void BoundAlarms(std::vector<AlarmEvent>& events) {
  std::size_t keep = 0, readings = 0;
  for (auto it = events.rbegin(); it != events.rend(); ++it, ++keep) {
    readings += it->readings.size();
    if (keep == StationLog::kMaxBacklogAlarmEvents ||
        readings > StationLog::kMaxBacklogAlarmReadings) {
      break;
    }
  }
  events.erase(events.begin(), events.end() - static_cast<long>(keep));
}

}  // namespace

void StationLog::AddAlarm(AlarmEvent event) {
  std::lock_guard<std::mutex> lock(mutex_);
  QueueAlarm(alarmQueue_, std::move(event));
  BoundAlarms(alarmQueue_);
}

void StationLog::TakeQueuedAlarms() {
  for (AlarmEvent& e : alarmQueue_) QueueAlarm(alarmBacklog_, std::move(e));
  alarmQueue_.clear();
  BoundAlarms(alarmBacklog_);
}

bool StationLog::CommitAlarms(std::string& error) {
  for (const AlarmEvent& e : alarmBacklog_) {
    if (!alarmWriter_.Write(db_, e, error)) return false;
  }
  return true;
}

}  // namespace station
