// The station log's writer thread: one transaction per second at most,
// with a bounded backlog in memory while the file cannot be written.
#include "station/log/log_store.h"


#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <utility>

#include "station/core/clock.h"
#include "station/core/thread_name.h"
#include "station/log/qso_store.h"

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
constexpr std::int64_t kReopenEveryMs = 5000;

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

// Drops the oldest beyond the bounds; returns the seconds dropped.
std::size_t BoundOutput(DetectorOutput& out) {
  std::size_t dropped = 0;
  if (out.seconds.size() > StationLog::kMaxBacklogSeconds) {
    dropped = out.seconds.size() - StationLog::kMaxBacklogSeconds;
    out.seconds.erase(out.seconds.begin(), out.seconds.begin() + static_cast<long>(dropped));
  }
  if (out.transmissions.size() > StationLog::kMaxBacklogTransmissions) {
    const std::size_t n = out.transmissions.size() - StationLog::kMaxBacklogTransmissions;
    out.transmissions.erase(out.transmissions.begin(),
                            out.transmissions.begin() + static_cast<long>(n));
  }
  return dropped;
}

void Append(DetectorOutput& to, DetectorOutput&& from) {
  for (auto& t : from.transmissions) to.transmissions.push_back(std::move(t));
  to.seconds.insert(to.seconds.end(), from.seconds.begin(), from.seconds.end());
}

}  // namespace

StationLog::StationLog(LogSettings settings, std::ostream& err)
    : settings_(std::move(settings)), err_(err) {
  state_.file = settings_.path;
}

StationLog::~StationLog() { Stop(); }

bool StationLog::Open(std::string& error) {
  const std::size_t slash = settings_.path.find_last_of("/\\");
  if (slash != std::string::npos && slash > 0 &&
      !MakeLogDirectory(settings_.path.substr(0, slash), error)) {
    error = "cannot keep the station log: " + error;
    return false;
  }
  bool held = false;
  if (!lock_.Acquire(settings_.path, held, error)) {
    if (held) error = "another swrctl serve is recording to " + settings_.path;
    error = "the station log is refused: " + error;
    state_.error = error;
    return false;
  }
  std::string why;
  const LogOpen result = db_.Open(settings_.path, true, why);
  if (result == LogOpen::Foreign || result == LogOpen::Newer || result == LogOpen::Damaged) {
    error = "the station log " + settings_.path + " is refused and left untouched: " + why;
    if (result == LogOpen::Damaged) error += "; " + SalvageAdvice(settings_.path);
    state_.error = error;
    return false;
  }
  if (db_.checkCutShort()) {
    err_ << "swrctl: the station log " << settings_.path << " is opened unchecked: its check took"
         << " over " << kLogCheckSeconds << " s (check it with `sqlite3 " << settings_.path
         << " 'PRAGMA quick_check'` while serve is stopped)\n";
  }
  opened_ = result == LogOpen::Ok;
  usable_ = true;
  if (!opened_) Fault(why);
  state_.recording = opened_;
  return true;
}

void StationLog::Start() {
  thread_ = std::thread([this] {
    NameThisThread("swr-log");
    Run();
  });
}

void StationLog::Add(DetectorOutput output) {
  if (output.empty()) return;
  for (const Transmission& t : output.transmissions) onAir_.Add(t);
  std::lock_guard<std::mutex> lock(mutex_);
  Append(queue_, std::move(output));
  state_.secondsLost += BoundOutput(queue_);
}

void StationLog::AddQso(const Qso& qso) {
  std::lock_guard<std::mutex> lock(mutex_);
  qsoQueue_.push_back(qso);
  if (qsoQueue_.size() > kMaxBacklogQsos) qsoQueue_.erase(qsoQueue_.begin());
}

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

void StationLog::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

LogState StationLog::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

void StationLog::LimitPages(long pages) {
  std::lock_guard<std::mutex> lock(mutex_);
  pageLimit_ = pages;
}

void StationLog::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stopping_; });
    const bool stop = stopping_;
    const bool damaged = damaged_;
    Append(backlog_, std::move(queue_));
    queue_ = DetectorOutput{};
    for (Qso& q : qsoQueue_) qsoBacklog_.push_back(std::move(q));
    qsoQueue_.clear();
    for (AlarmEvent& e : alarmQueue_) QueueAlarm(alarmBacklog_, std::move(e));
    alarmQueue_.clear();
    BoundAlarms(alarmBacklog_);
    if (qsoBacklog_.size() > kMaxBacklogQsos) {
      qsoBacklog_.erase(qsoBacklog_.begin(),
                        qsoBacklog_.end() - static_cast<long>(kMaxBacklogQsos));
    }
    const long pages = pageLimit_;
    pageLimit_ = -1;
    lock.unlock();

    // The writer's own timers follow the monotonic clock, so that a wall
    // clock set back does not hold a retry or the pruning off for as long.
    const std::int64_t now = SteadyNowMs();
    if (pages >= 0 && opened_ && !damaged) {
      const std::string sql =
          "PRAGMA max_page_count=" + std::to_string(pages > 0 ? pages : 1073741823L);
      std::string ignored;
      db_.Exec(sql.c_str(), ignored);
    }
    if (!damaged && !opened_ && (now >= nextTryMs_ || stop)) opened_ = TryOpen();
    if (!damaged && opened_ &&
        (!backlog_.empty() || !qsoBacklog_.empty() || !alarmBacklog_.empty())) {
      Commit();
    }
    if (!damaged && opened_ && !failing_ && now >= nextPruneMs_) Prune(UnixNowMs());
    const std::size_t dropped = damaged ? LeaveDamaged() : BoundOutput(backlog_);

    lock.lock();
    state_.secondsLost += dropped;
    if (stop) break;
  }
  // Found damaged in the last round: closed before SQLite touches it again.
  if (damaged_) LeaveDamaged();
}

bool StationLog::TryOpen() {
  nextTryMs_ = SteadyNowMs() + kReopenEveryMs;
  std::string why;
  const LogOpen result = db_.Open(settings_.path, true, why);
  if (result == LogOpen::Damaged) StopDamaged(why);
  if (result != LogOpen::Ok) {
    Fault(why);  // nothing more once damaged
    return false;
  }
  Recovered();
  return true;
}

bool StationLog::Commit() {
  std::string error;
  sqlite3* db = db_.get();
  bool ok = db_.Exec("BEGIN IMMEDIATE", error);
  if (ok) {
    Statement tx(db, kInsertTransmission), second(db, kUpsertSecond), minute(db, kUpsertMinute);
    ok = tx.ok() && second.ok() && minute.ok();
    for (std::size_t i = 0; ok && i < backlog_.transmissions.size(); ++i) {
      ok = InsertTransmission(tx.get(), backlog_.transmissions[i]);
    }
    for (std::size_t i = 0; ok && i < backlog_.seconds.size(); ++i) {
      const HistorySecond& h = backlog_.seconds[i];
      const std::int64_t m = h.second - ((h.second % 60) + 60) % 60;
      ok = UpsertSlot(second.get(), h.second, h) && UpsertSlot(minute.get(), m, h);
    }
    if (!ok) error = sqlite3_errmsg(db);
  }
  if (ok) ok = CommitQsos(error);
  if (ok) ok = CommitAlarms(error);
  if (ok) ok = db_.Exec("COMMIT", error);
  if (!ok) {
    alarmWriter_.RolledBack();
    // Asked before the rollback, which resets SQLite's last error.
    const bool damaged = db_.Damaged();
    std::string ignored;
    db_.Exec("ROLLBACK", ignored);
    if (damaged) Damaged(error);
    else Fault(error);
    return false;
  }
  backlog_ = DetectorOutput{};
  qsoBacklog_.clear();
  alarmBacklog_.clear();
  alarmWriter_.Committed();
  Recovered();
  TellQsos();
  return true;
}

void StationLog::TellQsos() {
  if (qsoNews_.empty()) return;
  for (const auto& [qso, stored] : qsoNews_) qsos_.Add(qso, stored);
  qsoNews_.clear();
  if (qsosTold_) qsosTold_();
}

bool StationLog::CommitAlarms(std::string& error) {
  for (const AlarmEvent& e : alarmBacklog_) {
    if (!alarmWriter_.Write(db_, e, error)) return false;
  }
  return true;
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

void StationLog::Recovered() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (damaged_) return;
  if (failing_) {
    err_ << "swrctl: the station log " + settings_.path + " is written again (" +
                std::to_string(state_.secondsLost) + " seconds of readings could not be recorded)\n";
    err_.flush();
  }
  failing_ = false;
  state_.recording = true;
  state_.error.clear();
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

void StationLog::Fault(const std::string& what) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (damaged_) return;
  state_.recording = false;
  state_.error = what;
  if (failing_) return;
  failing_ = true;
  err_ << "swrctl: cannot write the station log " + settings_.path + ": " + what +
              "; recording paused, retrying\n";
  err_.flush();
}

void StationLog::Damaged(const std::string& what) {
  StopDamaged("it is damaged (" + what + ")");
}

// The writer thread closes the file on its next round (LeaveDamaged).
void StationLog::StopDamaged(const std::string& why) {
  std::lock_guard<std::mutex> lock(mutex_);
  usable_ = false;
  if (damaged_) return;
  damaged_ = true;
  state_.recording = false;
  state_.error = "the station log " + settings_.path + " is left as it is and recording stopped: " +
                 why + "; " + SalvageAdvice(settings_.path);
  err_ << "swrctl: " << state_.error << '\n';
  err_.flush();
}

std::size_t StationLog::LeaveDamaged() {
  if (opened_) {
    db_.LeaveFileAsIs();
    db_.Close();
    opened_ = false;
  }
  const std::size_t dropped = backlog_.seconds.size();
  backlog_ = DetectorOutput{};
  alarmBacklog_.clear();
  return dropped;
}

}  // namespace station
