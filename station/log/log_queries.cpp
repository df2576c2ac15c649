// The station log's queries, in SQL over the reader's connection.
#include "station/log/log_queries.h"

#include <sqlite3.h>

#include "station/log/log_db.h"
#include "station/log/log_page.h"

namespace station {
namespace {

std::optional<double> OptionalDouble(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return sqlite3_column_double(s, i);
}

std::optional<std::string> OptionalText(sqlite3_stmt* s, int i) {
  if (sqlite3_column_type(s, i) == SQLITE_NULL) return std::nullopt;
  return std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, i)));
}

Transmission RowTransmission(sqlite3_stmt* s) {
  Transmission t;
  t.id = sqlite3_column_int64(s, 0);
  t.startUnixMs = sqlite3_column_int64(s, 1);
  t.endUnixMs = sqlite3_column_int64(s, 2);
  t.start = ColumnText(s, 3);
  t.end = ColumnText(s, 4);
  t.sensor = sqlite3_column_int(s, 5);
  t.peakPower = sqlite3_column_double(s, 6);
  t.averagePower = sqlite3_column_double(s, 7);
  t.maxSwr = OptionalDouble(s, 8);
  t.swrAtPeak = OptionalDouble(s, 9);
  t.forwardAtPeak = sqlite3_column_int(s, 10);
  t.reflectedAtPeak = sqlite3_column_int(s, 11);
  t.readings = static_cast<long>(sqlite3_column_int64(s, 12));
  t.cutShort = sqlite3_column_int(s, 13) != 0;
  if (sqlite3_column_type(s, 14) != SQLITE_NULL) t.frequencyHz = sqlite3_column_int64(s, 14);
  t.band = OptionalText(s, 15);
  t.mode = OptionalText(s, 16);
  if (sqlite3_column_type(s, 17) != SQLITE_NULL) t.antenna = sqlite3_column_int(s, 17);
  return t;
}

// The antenna column, NULL in a file of an older schema (a reader does
// not upgrade it).
std::string AntennaColumn(const LogDb& db) {
  return db.schemaVersion() >= kLogSchemaAntennas ? "antenna" : "NULL";
}

constexpr std::int64_t kLongRangeMs = 31LL * 86400 * 1000;

constexpr std::int64_t kDayMs = 86400000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - (a % b != 0 && a < 0); }
std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

bool ReadSummaryRows(LogDb& db, sqlite3_stmt* s, std::vector<SummaryRow>& rows,
                     std::string& error) {
  rows.clear();
  int rc;
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    SummaryRow r;
    r.sensor = sqlite3_column_int(s, 0);
    r.band = OptionalText(s, 1);
    r.transmissions = sqlite3_column_int64(s, 2);
    r.onAirMs = sqlite3_column_int64(s, 3);
    r.peakPower = sqlite3_column_double(s, 4);
    r.maxSwr = OptionalDouble(s, 5);
    rows.push_back(std::move(r));
  }
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

// A summary from the transmissions alone, for a file from before the
// per-day table (read by a reader, which never migrates).
bool QuerySummaryFromRows(LogDb& db, std::int64_t fromMs, std::int64_t toMs,
                          std::vector<SummaryRow>& rows, std::string& error) {
  // A long range is most of the table: one pass over the narrow index in
  // group order beats looking up each row found by its start.
  const bool longRange = toMs - fromMs > kLongRangeMs;
  Statement s(db.get(), longRange ? "SELECT sensor, band, count(*), sum(end_unix_ms - start_unix_ms),"
                                    " max(peak_power), max(max_swr)"
                                    " FROM transmissions INDEXED BY transmissions_by_sensor"
                                    " WHERE start_unix_ms >= ?1 AND start_unix_ms < ?2"
                                    " GROUP BY sensor, band ORDER BY sensor, band"
                                  : "SELECT sensor, band, count(*), sum(end_unix_ms - start_unix_ms),"
                                    " max(peak_power), max(max_swr) FROM transmissions"
                                    " WHERE start_unix_ms >= ?1 AND start_unix_ms < ?2"
                                    " GROUP BY sensor, band ORDER BY sensor, band");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int64(s.get(), 1, fromMs);
  sqlite3_bind_int64(s.get(), 2, toMs);
  return ReadSummaryRows(db, s.get(), rows, error);
}

}  // namespace

bool EachTransmission(LogDb& db, const TransmissionQuery& q,
                      const std::function<bool(const Transmission&)>& row, std::string& error) {
  Statement s(db.get(),
              ("SELECT id, start_unix_ms, end_unix_ms, start_local, end_local, sensor, peak_power,"
               " average_power, max_swr, swr_at_peak, forward_at_peak, reflected_at_peak,"
               " readings, cut_short, frequency_hz, band, mode, " + AntennaColumn(db) +
               " FROM transmissions" + PageClause("start_unix_ms")).c_str());
  if (!s.ok()) return SqlFailed(db, error);
  BindPage(s.get(), q);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    if (!row(RowTransmission(s.get()))) break;
  }
  return rc == SQLITE_ROW || rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool QueryTransmissions(LogDb& db, const TransmissionQuery& q, TransmissionPage& page,
                        std::string& error) {
  return GatherPage<Transmission>(db, q, page, EachTransmission, [](const Transmission& t) {
    return std::make_pair(t.startUnixMs, t.id);
  }, error);
}

bool QueryAntennasOnBand(LogDb& db, int sensor, const std::string& band, std::vector<int>& out,
                         std::string& error) {
  out.clear();
  if (db.schemaVersion() < kLogSchemaAntennas) return true;
  // A skip over the index: the least antenna above the last one found.
  Statement s(db.get(),
              "WITH RECURSIVE a(v) AS (SELECT min(antenna) FROM transmissions"
              " WHERE sensor = ?1 AND band = ?2 AND swr_at_peak IS NOT NULL"
              " UNION ALL SELECT (SELECT min(antenna) FROM transmissions"
              " WHERE sensor = ?1 AND band = ?2 AND swr_at_peak IS NOT NULL AND antenna > a.v)"
              " FROM a WHERE a.v IS NOT NULL) SELECT v FROM a WHERE v IS NOT NULL");
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int(s.get(), 1, sensor);
  sqlite3_bind_text(s.get(), 2, band.c_str(), -1, SQLITE_TRANSIENT);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) out.push_back(sqlite3_column_int(s.get(), 0));
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool QueryRecentOnBand(LogDb& db, int sensor, const std::string& band,
                       const std::optional<int>& antenna, long limit,
                       std::vector<Transmission>& out, std::string& error) {
  const bool antennas = db.schemaVersion() >= kLogSchemaAntennas;
  out.clear();
  if (!antennas && antenna) return true;
  const std::string sql =
              std::string("SELECT id, start_unix_ms, end_unix_ms, start_local, end_local, sensor,"
                          " peak_power, average_power, max_swr, swr_at_peak, forward_at_peak,"
                          " reflected_at_peak, readings, cut_short, frequency_hz, band, mode, ") +
                  (antennas ? "antenna FROM transmissions INDEXED BY transmissions_by_antenna"
                              " WHERE sensor = ?1 AND band = ?2 AND antenna IS ?4"
                            : "NULL FROM transmissions INDEXED BY transmissions_by_sensor"
                              " WHERE sensor = ?1 AND band = ?2") +
                  " AND swr_at_peak IS NOT NULL ORDER BY start_unix_ms DESC LIMIT ?3";
  Statement s(db.get(), sql.c_str());
  if (!s.ok()) return SqlFailed(db, error);
  sqlite3_bind_int(s.get(), 1, sensor);
  sqlite3_bind_text(s.get(), 2, band.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(s.get(), 3, limit);
  if (antenna) sqlite3_bind_int(s.get(), 4, *antenna);
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) out.push_back(RowTransmission(s.get()));
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool QueryHistory(LogDb& db, std::int64_t fromMs, std::int64_t toMs, std::int64_t slotMs,
                  std::vector<HistoryPoint>& points, std::string& error) {
  const bool minutes = slotMs >= 60000;
  Statement s(db.get(), minutes ? "SELECT (minute / ?3) * ?3 AS slot, max(power), max(swr)"
                                  " FROM history_minute WHERE minute >= ?1 AND minute < ?2"
                                  " GROUP BY slot ORDER BY slot"
                                : "SELECT (second / ?3) * ?3 AS slot, max(power), max(swr)"
                                  " FROM history WHERE second >= ?1 AND second < ?2"
                                  " GROUP BY slot ORDER BY slot");
  if (!s.ok()) return SqlFailed(db, error);
  // Whole seconds (or minutes) that overlap the range.
  const std::int64_t unit = minutes ? 60 : 1;
  const std::int64_t from = fromMs / 1000 - (fromMs / 1000) % unit;
  sqlite3_bind_int64(s.get(), 1, from);
  sqlite3_bind_int64(s.get(), 2, (toMs + 999) / 1000);
  sqlite3_bind_int64(s.get(), 3, slotMs / 1000);
  points.clear();
  int rc;
  while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
    points.push_back(HistoryPoint{sqlite3_column_int64(s.get(), 0) * 1000,
                                  OptionalDouble(s.get(), 1), OptionalDouble(s.get(), 2)});
  }
  return rc == SQLITE_DONE ? true : SqlFailed(db, error);
}

bool QuerySummary(LogDb& db, std::int64_t fromMs, std::int64_t toMs,
                  std::vector<SummaryRow>& rows, std::string& error) {
  if (db.schemaVersion() < kLogSchemaTransmissionDays) {
    return QuerySummaryFromRows(db, fromMs, toMs, rows, error);
  }
  // The whole days in the range come from the per-day table, the parts of
  // days at its two ends from the transmissions themselves.
  std::int64_t firstDay = CeilDiv(fromMs, kDayMs);
  std::int64_t endDay = FloorDiv(toMs, kDayMs);
  std::int64_t headEnd = firstDay * kDayMs;
  std::int64_t tailStart = endDay * kDayMs;
  if (firstDay >= endDay) {  // no whole day: the range is all edge
    firstDay = endDay = 0;
    headEnd = tailStart = toMs;
  }
  Statement s(db.get(),
              "SELECT sensor, band, sum(n), sum(ms), max(peak), max(swr) FROM ("
              " SELECT sensor, nullif(band, '') AS band, transmissions AS n, on_air_ms AS ms,"
              " peak_power AS peak, max_swr AS swr FROM transmission_days"
              " WHERE day >= ?1 AND day < ?2"
              " UNION ALL SELECT sensor, band, 1, end_unix_ms - start_unix_ms, peak_power, max_swr"
              " FROM transmissions WHERE start_unix_ms >= ?3 AND start_unix_ms < ?4"
              " UNION ALL SELECT sensor, band, 1, end_unix_ms - start_unix_ms, peak_power, max_swr"
              " FROM transmissions WHERE start_unix_ms >= ?5 AND start_unix_ms < ?6)"
              " GROUP BY sensor, band ORDER BY sensor, band");
  if (!s.ok()) return SqlFailed(db, error);
  const std::int64_t bounds[] = {firstDay, endDay, fromMs, headEnd, tailStart, toMs};
  for (int i = 0; i < 6; ++i) sqlite3_bind_int64(s.get(), i + 1, bounds[i]);
  return ReadSummaryRows(db, s.get(), rows, error);
}

}  // namespace station
