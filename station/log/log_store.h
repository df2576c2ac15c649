// The station log's writer: takes what the detector finished from any
// thread without waiting and writes it on a thread of its own, one
// transaction at most about once a second. When writing fails (disk full,
// file read-only) it keeps a bounded backlog in memory, says so once on
// stderr, retries, and counts the seconds it had to drop. A damaged file
// (malformed at opening, or found so later by the writer or a reader) is
// never written again: recording stops for good, and the file is left as
// it is for salvage.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>

#include "station/health/alarm_recorder.h"
#include "station/log/alarm_store.h"
#include "station/log/detector.h"
#include "station/log/log_db.h"
#include "station/log/log_platform.h"
#include "station/core/log_state.h"
#include "station/log/logged_qsos.h"
#include "station/log/on_air.h"
#include "station/log/qso.h"

namespace station {

struct LogSettings {
  std::string path;
  int keepHistoryDays = 30;
  int keepTransmissionDays = 3650;
};

class StationLog {
 public:
  StationLog(LogSettings settings, std::ostream& err);
  ~StationLog();
  StationLog(const StationLog&) = delete;
  StationLog& operator=(const StationLog&) = delete;

  // Takes the lock and opens the file; false when the file is refused for
  // good (another server has it, it is not a station log, it is newer, it
  // is damaged), with `error` one line. A file that cannot be written yet is no refusal:
  // the writer keeps trying.
  bool Open(std::string& error);
  // Starts the writer thread (after Open).
  void Start();
  // From any thread; returns at once.
  void Add(DetectorOutput output);
  // From any thread; returns at once. The QSO is written with the next
  // commit, matched against the transmissions then in the file, and again
  // when transmissions of its window are written later.
  void AddQso(const Qso& qso);
  // From any thread; returns at once. Written with the next commit, in the
  // order given.
  void AddAlarm(AlarmEvent event);
  // Writes what is waiting and stops the writer.
  void Stop();

  LogState State() const;
  // The transmissions handed to Add since the start (counted as they come,
  // before they are written).
  const OnAir& Finished() const { return onAir_; }
  // The QSOs stored or filled in since the start, as committed.
  const LoggedQsos& Qsos() const { return qsos_; }
  // `told` runs on the writer's thread after each commit that stored a QSO
  // or changed a QSO's measurement (in Qsos() by then); it must return at
  // once. Set before Start().
  void OnQsos(std::function<void()> told) { qsosTold_ = std::move(told); }
  // From any thread: a reader found the file malformed (`what`: SQLite's
  // words). Recording stops for good and readers are turned away.
  void Damaged(const std::string& what);
  // Open, not refused, not damaged: readers may use the file.
  bool Usable() const { return usable_; }
  const std::string& Path() const { return settings_.path; }
  // For tests: SQLite's page limit for the file (0: none), to fill the "disk".
  void LimitPages(long pages);

  // Backlog bounds: an hour of seconds, and transmissions.
  static constexpr std::size_t kMaxBacklogSeconds = 3600;
  static constexpr std::size_t kMaxBacklogTransmissions = 10000;
  static constexpr std::size_t kMaxBacklogQsos = 10000;
  static constexpr std::size_t kMaxBacklogAlarmEvents = 1000;
  static constexpr std::size_t kMaxBacklogAlarmReadings = 250000;  // about 10 MB

 private:
  void Run();
  bool TryOpen();
  bool Commit();
  // In Commit's transaction: the waiting transmissions and seconds of
  // history.
  bool CommitOutput(std::string& error);
  // Under mutex_: the queued QSOs and alarm events join the writer's
  // backlogs, within their bounds.
  void TakeQueuedQsos();
  void TakeQueuedAlarms();
  // In Commit's transaction: the waiting QSOs, and the recent QSOs that the
  // transmissions just written belong to.
  bool CommitQsos(std::string& error);
  // After a commit: what it stored or filled in to Qsos() and the listener.
  void TellQsos();
  bool CommitAlarms(std::string& error);
  void Prune(std::int64_t nowMs);
  // Deletes up to a chunk of transmissions that started before `beforeMs`,
  // with the per-day table kept right; how many went (0 on a failure).
  int PruneTransmissions(std::int64_t beforeMs);
  void Bound(DetectorOutput& backlog);
  void Fault(const std::string& what);
  void Recovered();
  // `why`: "it is damaged (...)". Says so once and stops recording.
  void StopDamaged(const std::string& why);
  // Closes a damaged file without writing to it; drops what waits and
  // returns the seconds dropped.
  std::size_t LeaveDamaged();

  LogSettings settings_;
  std::ostream& err_;
  LogFileLock lock_;
  LogDb db_;
  bool opened_ = false;
  std::atomic<bool> usable_{false};
  std::thread thread_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool damaged_ = false;
  DetectorOutput queue_;
  std::vector<Qso> qsoQueue_;
  std::vector<AlarmEvent> alarmQueue_;
  LogState state_;
  OnAir onAir_;
  LoggedQsos qsos_;
  std::function<void()> qsosTold_;
  long pageLimit_ = -1;  // -1: unchanged

  // The writer thread's own.
  DetectorOutput backlog_;
  std::vector<Qso> qsoBacklog_;
  // What the commit under way stored (true) or filled in (false).
  std::vector<std::pair<Qso, bool>> qsoNews_;
  std::vector<AlarmEvent> alarmBacklog_;
  AlarmWriter alarmWriter_;
  bool failing_ = false;
  std::int64_t nextTryMs_ = 0;  // monotonic, as the next one
  std::int64_t nextPruneMs_ = 0;
};

}  // namespace station
