// The QSOs' rows: written and matched by the writer, read by readers.
#include "station/log/qso_store.h"

#include <sqlite3.h>

#include <algorithm>

#include "station/log/log_db.h"
#include "station/log/log_page.h"

namespace station {
namespace {

// The QSOs' columns; the antenna NULL in a file of an older schema (a
// reader does not upgrade it).
std::string QsoColumns(const LogDb& db) {
  return std::string("id, call, grid, band, frequency_hz, mode, report_sent, report_received,"
                     " time_on_unix_ms, time_off_unix_ms, sender, transmissions, peak_power,"
                     " average_power, max_swr, on_air_ms, sensor, ") +
         (db.schemaVersion() >= kLogSchemaAntennas ? "antenna" : "NULL");
}

Qso RowQso(sqlite3_stmt* s) {
  Qso q;
  q.id = sqlite3_column_int64(s, 0);
  q.call = ColumnText(s, 1);
  q.grid = ColumnText(s, 2);
  q.band = ColumnText(s, 3);
  if (sqlite3_column_type(s, 4) != SQLITE_NULL) q.frequencyHz = sqlite3_column_int64(s, 4);
  q.mode = ColumnText(s, 5);
  q.reportSent = ColumnText(s, 6);
  q.reportReceived = ColumnText(s, 7);
  q.timeOnMs = sqlite3_column_int64(s, 8);
  q.timeOffMs = sqlite3_column_int64(s, 9);
  q.sender = ColumnText(s, 10);
  if (sqlite3_column_type(s, 11) != SQLITE_NULL && sqlite3_column_int(s, 11) > 0) {
    QsoMeasurement m;
    m.transmissions = sqlite3_column_int(s, 11);
    m.peakPower = sqlite3_column_double(s, 12);
    m.averagePower = sqlite3_column_double(s, 13);
    if (sqlite3_column_type(s, 14) != SQLITE_NULL) m.maxSwr = sqlite3_column_double(s, 14);
    m.onAirMs = sqlite3_column_int64(s, 15);
    m.sensor = sqlite3_column_int(s, 16);
    if (sqlite3_column_type(s, 17) != SQLITE_NULL) m.antenna = sqlite3_column_int(s, 17);
    q.measured = m;
  }
  return q;
}

void BindText(sqlite3_stmt* s, int i, const std::string& v) {
  sqlite3_bind_text(s, i, v.c_str(), -1, SQLITE_TRANSIENT);
}

// Binds the measurement from parameter `i` on (7 of them, NULL for none).
void BindMeasurement(sqlite3_stmt* s, int i, const std::optional<QsoMeasurement>& m) {
  if (!m) {
    for (int k = 0; k < 7; ++k) sqlite3_bind_null(s, i + k);
    return;
  }
  sqlite3_bind_int(s, i, m->transmissions);
  sqlite3_bind_double(s, i + 1, m->peakPower);
  sqlite3_bind_double(s, i + 2, m->averagePower);
  if (m->maxSwr) sqlite3_bind_double(s, i + 3, *m->maxSwr);
  else sqlite3_bind_null(s, i + 3);
  sqlite3_bind_int64(s, i + 4, m->onAirMs);
  sqlite3_bind_int(s, i + 5, m->sensor);
  if (m->antenna) sqlite3_bind_int(s, i + 6, *m->antenna);
  else sqlite3_bind_null(s, i + 6);
}

bool SameMeasurement(const std::optional<QsoMeasurement>& a,
                     const std::optional<QsoMeasurement>& b) {
  if (!a || !b) return !a && !b;
  return a->transmissions == b->transmissions && a->peakPower == b->peakPower &&
         a->averagePower == b->averagePower && a->maxSwr == b->maxSwr &&
         a->onAirMs == b->onAirMs && a->sensor == b->sensor;
}

bool Match(LogDb& db, Qso& qso, std::string& error) {
  std::vector<Transmission> around;
  if (!TransmissionsAround(db, qso, around, error)) return false;
  qso.measured = MatchQso(qso, around);
  return true;
}

}  // namespace

bool TransmissionsAround(LogDb& db, const Qso& qso, std::vector<Transmission>& out,
                         std::string& error, std::int64_t lookbackMs) {
  out.clear();
  const std::string band = QsoBand(qso);
  if (band.empty()) return true;
  const std::int64_t slack = QsoSlackMs(qso.mode);
  TransmissionQuery q;
  q.from = qso.timeOnMs - slack - lookbackMs;
  q.to = std::max(qso.timeOnMs, qso.timeOffMs) + slack;
  q.band = band;
  q.limit = 100000;
  const bool ok = EachTransmission(db, q, [&out](const Transmission& t) {
    out.push_back(t);
    return true;
  }, error);
  std::reverse(out.begin(), out.end());
  return ok;
}

bool InsertQso(LogDb& db, Qso qso, std::string& error, Qso* stored) {
  if (!Match(db, qso, error)) return false;
  Statement s(db.get(),
              "INSERT INTO qsos(call, grid, band, frequency_hz, mode, report_sent,"
              " report_received, time_on_unix_ms, time_off_unix_ms, sender, transmissions,"
              " peak_power, average_power, max_swr, on_air_ms, sensor, antenna)"
              " VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17)");
  if (!s.ok()) return SqlFailed(db, error);
  BindText(s.get(), 1, qso.call);
  BindText(s.get(), 2, qso.grid);
  BindText(s.get(), 3, QsoBand(qso));
  if (qso.frequencyHz) sqlite3_bind_int64(s.get(), 4, *qso.frequencyHz);
  BindText(s.get(), 5, qso.mode);
  BindText(s.get(), 6, qso.reportSent);
  BindText(s.get(), 7, qso.reportReceived);
  sqlite3_bind_int64(s.get(), 8, qso.timeOnMs);
  sqlite3_bind_int64(s.get(), 9, std::max(qso.timeOnMs, qso.timeOffMs));
  BindText(s.get(), 10, qso.sender);
  BindMeasurement(s.get(), 11, qso.measured);
  if (sqlite3_step(s.get()) != SQLITE_DONE) return SqlFailed(db, error);
  if (stored != nullptr) {
    *stored = std::move(qso);
    stored->id = sqlite3_last_insert_rowid(db.get());
    stored->band = QsoBand(*stored);
    stored->timeOffMs = std::max(stored->timeOnMs, stored->timeOffMs);
  }
  return true;
}

bool RematchQsos(LogDb& db, std::int64_t fromMs, std::int64_t toMs, std::int64_t notBeforeMs,
                 std::string& error, std::vector<Qso>* changed) {
  std::vector<Qso> touched;
  {
    Statement s(db.get(), ("SELECT " + QsoColumns(db) +
                           " FROM qsos WHERE time_off_unix_ms >= max(?1, ?3)"
                           " AND time_on_unix_ms < ?2")
                              .c_str());
    if (!s.ok()) return SqlFailed(db, error);
    sqlite3_bind_int64(s.get(), 1, fromMs - kMaxQsoSlackMs);
    sqlite3_bind_int64(s.get(), 2, toMs + kMaxQsoSlackMs);
    sqlite3_bind_int64(s.get(), 3, notBeforeMs);
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) touched.push_back(RowQso(s.get()));
    if (rc != SQLITE_DONE) return SqlFailed(db, error);
  }
  Statement update(db.get(),
                   "UPDATE qsos SET transmissions = ?1, peak_power = ?2, average_power = ?3,"
                   " max_swr = ?4, on_air_ms = ?5, sensor = ?6, antenna = ?7 WHERE id = ?8");
  if (!update.ok()) return SqlFailed(db, error);
  for (Qso& qso : touched) {
    const std::optional<QsoMeasurement> before = qso.measured;
    if (!Match(db, qso, error)) return false;
    if (SameMeasurement(before, qso.measured)) continue;
    if (changed != nullptr) changed->push_back(qso);
    BindMeasurement(update.get(), 1, qso.measured);
    sqlite3_bind_int64(update.get(), 8, qso.id);
    const int rc = sqlite3_step(update.get());
    sqlite3_reset(update.get());
    if (rc != SQLITE_DONE) return SqlFailed(db, error);
  }
  return true;
}

TransmissionsNear::TransmissionsNear(LogDb& db, std::int64_t lookbackMs)
    : db_(db), lookbackMs_(lookbackMs) {
  const std::string sql =
      std::string("SELECT start_unix_ms, end_unix_ms, sensor, peak_power, average_power, max_swr, ") +
      (db.schemaVersion() >= kLogSchemaAntennas ? "antenna" : "NULL") +
      " FROM transmissions WHERE start_unix_ms >= ?1 AND start_unix_ms < ?2 AND band = ?3"
      " ORDER BY start_unix_ms";
  sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmt_, nullptr);
}

TransmissionsNear::~TransmissionsNear() { sqlite3_finalize(stmt_); }

bool TransmissionsNear::Read(const Qso& qso, std::vector<Transmission>& out, std::string& error) {
  out.clear();
  if (stmt_ == nullptr) return SqlFailed(db_, error);
  const std::string band = QsoBand(qso);
  if (band.empty()) return true;
  const std::int64_t slack = QsoSlackMs(qso.mode);
  sqlite3_bind_int64(stmt_, 1, qso.timeOnMs - slack - lookbackMs_);
  sqlite3_bind_int64(stmt_, 2, std::max(qso.timeOnMs, qso.timeOffMs) + slack);
  sqlite3_bind_text(stmt_, 3, band.c_str(), -1, SQLITE_TRANSIENT);
  int rc;
  while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
    Transmission t;
    t.startUnixMs = sqlite3_column_int64(stmt_, 0);
    t.endUnixMs = sqlite3_column_int64(stmt_, 1);
    t.sensor = sqlite3_column_int(stmt_, 2);
    t.peakPower = sqlite3_column_double(stmt_, 3);
    t.averagePower = sqlite3_column_double(stmt_, 4);
    if (sqlite3_column_type(stmt_, 5) != SQLITE_NULL) t.maxSwr = sqlite3_column_double(stmt_, 5);
    if (sqlite3_column_type(stmt_, 6) != SQLITE_NULL) t.antenna = sqlite3_column_int(stmt_, 6);
    t.band = band;
    out.push_back(std::move(t));
  }
  sqlite3_reset(stmt_);
  return rc == SQLITE_DONE ? true : SqlFailed(db_, error);
}

bool LongestTransmissionMs(LogDb& db, std::int64_t& ms, std::string& error) {
  return db.QueryInt("SELECT ifnull(max(end_unix_ms - start_unix_ms), 0) FROM transmissions", ms,
                     error);
}

bool EachQsoOldestFirst(LogDb& db, const TransmissionQuery& q,
                        const std::function<bool(const Qso&)>& row, std::string& error) {
  if (db.schemaVersion() < kLogSchemaQsos) return true;
  Statement s(db.get(), ("SELECT " + QsoColumns(db) +
                         " FROM qsos WHERE time_on_unix_ms >= ?1 AND time_on_unix_ms < ?2"
                         " AND (?3 IS NULL OR band = ?3) ORDER BY time_on_unix_ms, id LIMIT ?4")
                            .c_str());
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int64(s.get(), 1, q.from);
  sqlite3_bind_int64(s.get(), 2, q.to);
  if (q.band) BindText(s.get(), 3, *q.band);
  sqlite3_bind_int64(s.get(), 4, q.limit);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    if (!row(RowQso(s.get()))) break;
  }
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool EachQso(LogDb& db, const TransmissionQuery& q, const std::function<bool(const Qso&)>& row,
             std::string& error) {
  if (db.schemaVersion() < kLogSchemaQsos) return true;
  Statement s(db.get(),
              ("SELECT " + QsoColumns(db) + " FROM qsos" + PageClause("time_on_unix_ms")).c_str());
  if (!s.ok()) return SqlFailed(db, error);
  BindPage(s.get(), q);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    if (!row(RowQso(s.get()))) break;
  }
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool QueryQsos(LogDb& db, const TransmissionQuery& q, QsoPage& page, std::string& error) {
  return GatherPage<Qso>(db, q, page, EachQso, [](const Qso& qso) {
    return std::make_pair(qso.timeOnMs, qso.id);
  }, error);
}

}  // namespace station
