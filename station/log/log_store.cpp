// The station log's writer: opening the file, the writer thread's rounds
// (one transaction per second at most, with a bounded backlog in memory
// while the file cannot be written), and its faults and damage. The rows
// it writes and prunes are in log_rows.cpp, the QSO and alarm backlogs in
// qso_backlog.cpp and alarm_backlog.cpp.
#include "station/log/log_store.h"

#include <chrono>
#include <ostream>
#include <utility>

#include "station/core/clock.h"
#include "station/core/thread_name.h"

namespace station {
namespace {

constexpr std::int64_t kReopenEveryMs = 5000;

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
    TakeQueuedQsos();
    TakeQueuedAlarms();
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
  bool ok = db_.Exec("BEGIN IMMEDIATE", error);
  if (ok) ok = CommitOutput(error);
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
