// The alarms' rows: one per alarm, its halts by target, its readings by
// their place in the window.
#include "station/log/alarm_store.h"

#include <sqlite3.h>

#include <cmath>
#include <functional>
#include <limits>

#include "station/log/log_db.h"
#include "station/log/log_page.h"

namespace station {
namespace {

const char kAlarmColumns[] =
    "id, raised_unix_ms, sensor, band, frequency_hz, swr, peak_swr, power, limit_swr,"
    " acknowledged_unix_ms, acknowledged_via, window_from_unix_ms, window_to_unix_ms, readings,"
    " complete";

void BindText(sqlite3_stmt* s, int i, const std::string& v) {
  if (v.empty()) sqlite3_bind_null(s, i);
  else sqlite3_bind_text(s, i, v.c_str(), -1, SQLITE_TRANSIENT);
}

void BindNumber(sqlite3_stmt* s, int i, double v) {
  if (std::isfinite(v)) sqlite3_bind_double(s, i, v);
  else sqlite3_bind_null(s, i);
}

double NumberOrNan(sqlite3_stmt* s, int i) {
  return sqlite3_column_type(s, i) == SQLITE_NULL ? std::numeric_limits<double>::quiet_NaN()
                                                  : sqlite3_column_double(s, i);
}

bool Done(LogDb& db, sqlite3_stmt* s, std::string& error) {
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

AlarmRecord RowAlarm(sqlite3_stmt* s) {
  AlarmRecord a;
  a.id = sqlite3_column_int64(s, 0);
  a.unixMs = sqlite3_column_int64(s, 1);
  a.sensor = sqlite3_column_int(s, 2);
  if (sqlite3_column_type(s, 3) != SQLITE_NULL) a.band = ColumnText(s, 3);
  if (sqlite3_column_type(s, 4) != SQLITE_NULL) a.frequencyHz = sqlite3_column_int64(s, 4);
  a.swr = sqlite3_column_double(s, 5);
  a.peakSwr = sqlite3_column_double(s, 6);
  a.power = sqlite3_column_double(s, 7);
  a.limit = sqlite3_column_double(s, 8);
  a.acknowledgedUnixMs = sqlite3_column_int64(s, 9);
  a.acknowledgedVia = ColumnText(s, 10);
  a.windowFromMs = sqlite3_column_int64(s, 11);
  a.windowToMs = sqlite3_column_int64(s, 12);
  a.readings = sqlite3_column_int64(s, 13);
  a.complete = sqlite3_column_int(s, 14) != 0;
  return a;
}

bool InsertAlarm(LogDb& db, const AlarmEvent& e, std::string& error) {
  Statement s(db.get(),
              "INSERT INTO alarms(raised_unix_ms, sensor, band, frequency_hz, swr, peak_swr, power,"
              " limit_swr, window_from_unix_ms, window_to_unix_ms) VALUES(?1,?2,?3,?4,?5,?6,?7,?8,"
              "?9,?10)");
  if (!s.ok()) return SqlFailed(db, error);
  const AlarmState& a = e.state;
  sqlite3_bind_int64(s.get(), 1, a.unixMs);
  sqlite3_bind_int(s.get(), 2, a.sensor);
  BindText(s.get(), 3, a.band);
  if (a.frequencyHz) sqlite3_bind_int64(s.get(), 4, *a.frequencyHz);
  sqlite3_bind_double(s.get(), 5, a.swr);
  sqlite3_bind_double(s.get(), 6, a.peakSwr);
  sqlite3_bind_double(s.get(), 7, a.watts);
  sqlite3_bind_double(s.get(), 8, e.limit);
  sqlite3_bind_int64(s.get(), 9, e.windowFromMs);
  sqlite3_bind_int64(s.get(), 10, e.windowToMs);
  return Done(db, s.get(), error);
}

bool UpdateAlarm(LogDb& db, std::int64_t id, const AlarmState& a, std::string& error) {
  Statement s(db.get(),
              "UPDATE alarms SET peak_swr = ?1, acknowledged_unix_ms = ?2, acknowledged_via = ?3"
              " WHERE id = ?4");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_double(s.get(), 1, a.peakSwr);
  if (a.acknowledgedUnixMs != 0) sqlite3_bind_int64(s.get(), 2, a.acknowledgedUnixMs);
  BindText(s.get(), 3, a.acknowledgedVia);
  sqlite3_bind_int64(s.get(), 4, id);
  return Done(db, s.get(), error);
}

bool WriteHalts(LogDb& db, std::int64_t id, const std::vector<HaltAttempt>& halts,
                std::string& error) {
  if (halts.empty()) return true;
  Statement s(db.get(), "INSERT OR REPLACE INTO alarm_halts VALUES(?1,?2,?3,?4,?5,?6)");
  if (!s.ok()) return SqlFailed(db, error);
  for (const HaltAttempt& h : halts) {
    sqlite3_bind_int64(s.get(), 1, id);
    sqlite3_bind_text(s.get(), 2, h.target.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s.get(), 3, h.outcome.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s.get(), 4, h.detail.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s.get(), 5, h.unixMs);
    sqlite3_bind_int64(s.get(), 6, h.delayMs);
    if (!Done(db, s.get(), error)) return false;
  }
  return true;
}

bool WriteReadings(LogDb& db, std::int64_t id, const AlarmEvent& e, std::string& error) {
  {
    Statement s(db.get(), "INSERT OR IGNORE INTO alarm_readings VALUES(?1,?2,?3,?4,?5,?6)");
    if (!s.ok()) return SqlFailed(db, error);
    std::int64_t n = static_cast<std::int64_t>(e.first);
    for (const RingReading& r : e.readings) {
      sqlite3_bind_int64(s.get(), 1, id);
      sqlite3_bind_int64(s.get(), 2, n++);
      sqlite3_bind_int64(s.get(), 3, r.unixMs);
      sqlite3_bind_int(s.get(), 4, r.sensor);
      BindNumber(s.get(), 5, r.power);
      BindNumber(s.get(), 6, r.swr);
      if (!Done(db, s.get(), error)) return false;
    }
  }
  Statement s(db.get(),
              "UPDATE alarms SET readings = max(readings, ?1), complete = ?2 WHERE id = ?3");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int64(s.get(), 1, static_cast<std::int64_t>(e.first + e.readings.size()));
  sqlite3_bind_int(s.get(), 2, e.complete ? 1 : 0);
  sqlite3_bind_int64(s.get(), 3, id);
  return Done(db, s.get(), error);
}

}  // namespace

std::optional<std::int64_t> AlarmWriter::RowOf(std::uint64_t serial) const {
  auto it = pending_.find(serial);
  if (it != pending_.end()) return it->second;
  it = rows_.find(serial);
  if (it != rows_.end()) return it->second;
  return std::nullopt;
}

void AlarmWriter::Committed() {
  for (const auto& entry : pending_) rows_[entry.first] = entry.second;
  pending_.clear();
  // Only the latest few alarms of a run still change.
  while (rows_.size() > 16) rows_.erase(rows_.begin());
}

bool AlarmWriter::Write(LogDb& db, const AlarmEvent& e, std::string& error) {
  if (e.kind == AlarmEvent::Kind::Raised) {
    if (!InsertAlarm(db, e, error)) return false;
    const std::int64_t id = sqlite3_last_insert_rowid(db.get());
    pending_[e.state.serial] = id;
    return WriteHalts(db, id, e.state.halts, error);
  }
  // An alarm whose row is gone (dropped while the disk failed) has nothing
  // to add to.
  const std::optional<std::int64_t> id = RowOf(e.state.serial);
  if (!id) return true;
  if (e.kind == AlarmEvent::Kind::Readings) return WriteReadings(db, *id, e, error);
  return UpdateAlarm(db, *id, e.state, error) && WriteHalts(db, *id, e.state.halts, error);
}

bool PruneAlarms(LogDb& db, std::int64_t beforeMs, std::string& error) {
  Statement newest(db.get(), "SELECT id FROM alarms ORDER BY id DESC LIMIT 1 OFFSET ?1");
  if (!newest.ok()) return SqlFailed(db, error);
  sqlite3_bind_int(newest.get(), 1, kAlarmsWithReadings);
  const int rc = sqlite3_step(newest.get());
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return SqlFailed(db, error);
  const std::int64_t keepAbove = rc == SQLITE_ROW ? sqlite3_column_int64(newest.get(), 0) : 0;
  const std::string bound = std::to_string(beforeMs), keep = std::to_string(keepAbove);
  const std::string sql =
      "BEGIN IMMEDIATE;"
      "DELETE FROM alarm_readings WHERE alarm_id <= " + keep + ";"
      "UPDATE alarms SET readings = 0 WHERE id <= " + keep + " AND readings != 0;"
      "DELETE FROM alarm_halts WHERE alarm_id IN (SELECT id FROM alarms WHERE raised_unix_ms < " +
      bound + ");"
      "DELETE FROM alarm_readings WHERE alarm_id IN (SELECT id FROM alarms WHERE raised_unix_ms < " +
      bound + ");"
      "DELETE FROM alarms WHERE raised_unix_ms < " + bound + ";"
      "COMMIT;";
  if (db.Exec(sql.c_str(), error)) return true;
  std::string ignored;
  db.Exec("ROLLBACK", ignored);
  return false;
}

namespace {

// The alarms of `q` newest first, each handed to `row`; `row` returns false
// to stop.
bool EachAlarm(LogDb& db, const TransmissionQuery& q,
               const std::function<bool(const AlarmRecord&)>& row, std::string& error) {
  if (db.schemaVersion() < kLogSchemaAlarms) return true;
  Statement s(db.get(), (std::string("SELECT ") + kAlarmColumns + " FROM alarms" +
                         PageClause("raised_unix_ms"))
                            .c_str());
  if (!s.ok()) return SqlFailed(db, error);
  BindPage(s.get(), q);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    if (!row(RowAlarm(s.get()))) break;
  }
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

}  // namespace

bool QueryAlarms(LogDb& db, const TransmissionQuery& q, AlarmPage& page, std::string& error) {
  return GatherPage<AlarmRecord>(db, q, page, EachAlarm, [](const AlarmRecord& a) {
    return std::make_pair(a.unixMs, a.id);
  }, error);
}

bool ReadAlarm(LogDb& db, std::int64_t id, AlarmRecord& alarm, bool& found, std::string& error) {
  found = false;
  if (db.schemaVersion() < kLogSchemaAlarms) return true;
  {
    Statement s(db.get(), (std::string("SELECT ") + kAlarmColumns + " FROM alarms WHERE id = ?1")
                              .c_str());
    if (!s.ok()) return SqlFailed(db, error);
    sqlite3_bind_int64(s.get(), 1, id);
    const int rc = sqlite3_step(s.get());
    if (rc == SQLITE_DONE) return true;
    if (rc != SQLITE_ROW) return SqlFailed(db, error);
    alarm = RowAlarm(s.get());
    found = true;
  }
  Statement s(db.get(), "SELECT target, outcome, detail, unix_ms, delay_ms FROM alarm_halts"
                        " WHERE alarm_id = ?1 ORDER BY unix_ms, target");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int64(s.get(), 1, id);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    alarm.halts.push_back(HaltAttempt{ColumnText(s.get(), 0), ColumnText(s.get(), 1), ColumnText(s.get(), 2),
                                      sqlite3_column_int64(s.get(), 3),
                                      sqlite3_column_int64(s.get(), 4)});
  }
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool EachAlarmReading(LogDb& db, std::int64_t id, const std::function<void(const RingReading&)>& row,
                      std::string& error) {
  if (db.schemaVersion() < kLogSchemaAlarms) return true;
  Statement s(db.get(), "SELECT unix_ms, sensor, power, swr FROM alarm_readings"
                        " WHERE alarm_id = ?1 ORDER BY n");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int64(s.get(), 1, id);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    RingReading r;
    r.unixMs = sqlite3_column_int64(s.get(), 0);
    r.sensor = sqlite3_column_int(s.get(), 1);
    r.power = NumberOrNan(s.get(), 2);
    r.swr = NumberOrNan(s.get(), 3);
    row(r);
  }
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

}  // namespace station
