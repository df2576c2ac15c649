// The writer's rows of transmissions and history: the detector's output
// written in the commit's transaction (CommitOutput), and the rows older
// than the settings keep pruned in chunks (Prune).
#include "station/log/log_store.h"

#include <sqlite3.h>

#include "station/core/clock.h"

namespace station {
namespace {

const char kInsertTransmission[] =
    "INSERT INTO transmissions(start_unix_ms, end_unix_ms, start_local, end_local, sensor,"
    " peak_power, average_power, max_swr, swr_at_peak, forward_at_peak, reflected_at_peak,"
    " readings, cut_short, frequency_hz, band, mode, antenna)"
    " VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9,?10,?11,?12,?13,?14,?15,?16,?17)";
// The highest of what is there and what comes, NULL being no value.
const char kUpsertSecond[] =
    "INSERT INTO history(second, power, swr) VALUES(?1,?2,?3) ON CONFLICT(second) DO UPDATE SET"
    " power = CASE WHEN power IS NULL OR excluded.power > power THEN excluded.power ELSE power END,"
    " swr = CASE WHEN swr IS NULL OR excluded.swr > swr THEN excluded.swr ELSE swr END";
const char kUpsertMinute[] =
    "INSERT INTO history_minute(minute, power, swr) VALUES(?1,?2,?3) ON CONFLICT(minute) DO UPDATE"
    " SET power = CASE WHEN power IS NULL OR excluded.power > power THEN excluded.power"
    " ELSE power END, swr = CASE WHEN swr IS NULL OR excluded.swr > swr THEN excluded.swr"
    " ELSE swr END";
const char kPruneTransmissions[] =
    "DELETE FROM transmissions WHERE id IN"
    " (SELECT id FROM transmissions WHERE start_unix_ms < ?1 LIMIT ?2)";
// After pruning, in the same transaction: the days before the oldest
// transmission left go from the per-day table, and that oldest day, which
// may have lost some of its transmissions, is counted again.
const char kMendTransmissionDays[] =
    "DELETE FROM transmission_days WHERE day <="
    " (SELECT ifnull(min(start_unix_ms) / 86400000, 1 << 62) FROM transmissions);"
    "INSERT INTO transmission_days SELECT start_unix_ms / 86400000, sensor, ifnull(band, ''),"
    " count(*), sum(end_unix_ms - start_unix_ms), max(peak_power), max(max_swr)"
    " FROM transmissions WHERE start_unix_ms <"
    " (SELECT min(start_unix_ms) / 86400000 * 86400000 + 86400000 FROM transmissions)"
    " GROUP BY 1, 2, 3;";
// Old rows go in chunks, so that no transaction holds the file for long.
constexpr int kPruneChunk = 20000;
constexpr std::int64_t kPruneEveryMs = 3600 * 1000;

void BindOptional(sqlite3_stmt* s, int i, const std::optional<double>& v) {
  if (v) sqlite3_bind_double(s, i, *v);
  else sqlite3_bind_null(s, i);
}

void BindText(sqlite3_stmt* s, int i, const std::optional<std::string>& v) {
  if (v) sqlite3_bind_text(s, i, v->c_str(), -1, SQLITE_TRANSIENT);
  else sqlite3_bind_null(s, i);
}

bool Step(sqlite3_stmt* s) {
  const int rc = sqlite3_step(s);
  sqlite3_reset(s);
  sqlite3_clear_bindings(s);
  return rc == SQLITE_DONE;
}

bool InsertTransmission(sqlite3_stmt* s, const Transmission& t) {
  sqlite3_bind_int64(s, 1, t.startUnixMs);
  sqlite3_bind_int64(s, 2, t.endUnixMs);
  sqlite3_bind_text(s, 3, t.start.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(s, 4, t.end.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(s, 5, t.sensor);
  sqlite3_bind_double(s, 6, t.peakPower);
  sqlite3_bind_double(s, 7, t.averagePower);
  BindOptional(s, 8, t.maxSwr);
  BindOptional(s, 9, t.swrAtPeak);
  sqlite3_bind_int(s, 10, t.forwardAtPeak);
  sqlite3_bind_int(s, 11, t.reflectedAtPeak);
  sqlite3_bind_int64(s, 12, t.readings);
  sqlite3_bind_int(s, 13, t.cutShort ? 1 : 0);
  if (t.frequencyHz) sqlite3_bind_int64(s, 14, *t.frequencyHz);
  BindText(s, 15, t.band);
  BindText(s, 16, t.mode);
  if (t.antenna) sqlite3_bind_int(s, 17, *t.antenna);
  return Step(s);
}

bool UpsertSlot(sqlite3_stmt* s, std::int64_t key, const HistorySecond& h) {
  sqlite3_bind_int64(s, 1, key);
  BindOptional(s, 2, h.power);
  BindOptional(s, 3, h.swr);
  return Step(s);
}

}  // namespace

bool StationLog::CommitOutput(std::string& error) {
  sqlite3* db = db_.get();
  Statement tx(db, kInsertTransmission), second(db, kUpsertSecond), minute(db, kUpsertMinute);
  bool ok = tx.ok() && second.ok() && minute.ok();
  for (std::size_t i = 0; ok && i < backlog_.transmissions.size(); ++i) {
    ok = InsertTransmission(tx.get(), backlog_.transmissions[i]);
  }
  for (std::size_t i = 0; ok && i < backlog_.seconds.size(); ++i) {
    const HistorySecond& h = backlog_.seconds[i];
    const std::int64_t m = h.second - ((h.second % 60) + 60) % 60;
    ok = UpsertSlot(second.get(), h.second, h) && UpsertSlot(minute.get(), m, h);
  }
  if (!ok) error = sqlite3_errmsg(db);
  return ok;
}

void StationLog::Prune(std::int64_t nowMs) {
  const std::int64_t historyFrom = nowMs / 1000 - std::int64_t{settings_.keepHistoryDays} * 86400;
  const std::int64_t txFrom = nowMs - std::int64_t{settings_.keepTransmissionDays} * 86400000;
  const char* const sql[] = {
      "DELETE FROM history WHERE second IN (SELECT second FROM history WHERE second < ?1 LIMIT ?2)",
      "DELETE FROM history_minute WHERE minute IN"
      " (SELECT minute FROM history_minute WHERE minute < ?1 LIMIT ?2)"};
  bool more = false;
  for (const char* deleteOld : sql) {
    Statement s(db_.get(), deleteOld);
    if (!s.ok()) continue;
    sqlite3_bind_int64(s.get(), 1, historyFrom);
    sqlite3_bind_int(s.get(), 2, kPruneChunk);
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
      if (!db_.Damaged()) continue;
      Damaged(sqlite3_errmsg(db_.get()));
      return;
    } else if (sqlite3_changes(db_.get()) >= kPruneChunk) {
      more = true;
    }
  }
  if (PruneTransmissions(txFrom) >= kPruneChunk) more = true;
  std::string ignored;  // tried again at the next pruning
  PruneAlarms(db_, txFrom, ignored);
  const std::int64_t steadyMs = SteadyNowMs();
  nextPruneMs_ = more ? steadyMs : steadyMs + kPruneEveryMs;
}

int StationLog::PruneTransmissions(std::int64_t beforeMs) {
  std::string error;
  if (!db_.Exec("BEGIN IMMEDIATE", error)) return 0;
  int deleted = 0;
  bool ok;
  {
    Statement drop(db_.get(), kPruneTransmissions);
    ok = drop.ok();
    if (ok) {
      sqlite3_bind_int64(drop.get(), 1, beforeMs);
      sqlite3_bind_int(drop.get(), 2, kPruneChunk);
      ok = sqlite3_step(drop.get()) == SQLITE_DONE;
      deleted = sqlite3_changes(db_.get());
    }
  }
  if (ok && deleted > 0) ok = db_.Exec(kMendTransmissionDays, error);
  if (ok && db_.Exec("COMMIT", error)) return deleted;
  if (db_.Damaged()) Damaged(sqlite3_errmsg(db_.get()));
  db_.Exec("ROLLBACK", error);
  return 0;
}

}  // namespace station
