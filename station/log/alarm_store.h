// The alarms' rows in the station log: written from the recorder's events
// by the writer's thread inside its transaction, read by any reader. The
// readings of an alarm's window are kept for the newest kAlarmsWithReadings
// alarms, so that the file stays bounded however often the alarm trips.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "station/health/alarm_recorder.h"
#include "station/log/log_queries.h"

namespace station {

class LogDb;

constexpr int kAlarmsWithReadings = 100;

// An alarm as the log holds it.
struct AlarmRecord {
  std::int64_t id = 0;
  std::int64_t unixMs = 0;  // raised
  int sensor = 0;
  std::optional<std::string> band;
  std::optional<std::int64_t> frequencyHz;
  double swr = 0;
  double peakSwr = 0;
  double power = 0;
  double limit = 0;
  std::int64_t acknowledgedUnixMs = 0;  // 0: never acknowledged
  std::string acknowledgedVia;
  std::vector<HaltAttempt> halts;
  std::int64_t windowFromMs = 0;
  std::int64_t windowToMs = 0;
  std::int64_t readings = 0;  // kept in the file
  bool complete = false;      // the window was recorded to its end
};

// The writer's side: remembers which row each alarm of this run went to.
class AlarmWriter {
 public:
  // In the caller's transaction; false with `error` on a failure.
  bool Write(LogDb& db, const AlarmEvent& event, std::string& error);
  // After the transaction: its rows are kept, or forgotten.
  void Committed();
  void RolledBack() { pending_.clear(); }

 private:
  std::optional<std::int64_t> RowOf(std::uint64_t serial) const;
  std::map<std::uint64_t, std::int64_t> rows_, pending_;
};

// Deletes the alarms raised before `beforeMs`, and the readings of all but
// the newest kAlarmsWithReadings; false on a failure.
bool PruneAlarms(LogDb& db, std::int64_t beforeMs, std::string& error);

struct AlarmPage {
  std::vector<AlarmRecord> items;
  std::optional<std::pair<std::int64_t, std::int64_t>> next;  // more after this
};
// Newest first by the time raised (q.from, q.to, q.band, q.limit, q.after as
// for transmissions); without their halts. A file from before the alarms has none.
bool QueryAlarms(LogDb& db, const TransmissionQuery& q, AlarmPage& page, std::string& error);
// One alarm with its halts; `found` false when there is no such alarm.
bool ReadAlarm(LogDb& db, std::int64_t id, AlarmRecord& alarm, bool& found, std::string& error);
// Its readings, oldest first, each handed to `row`.
bool EachAlarmReading(LogDb& db, std::int64_t id, const std::function<void(const RingReading&)>& row,
                      std::string& error);

}  // namespace station
