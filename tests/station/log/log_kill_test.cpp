// kill -9 while the station log is being written: the file stays sound
// and keeps all but about the last second of what was handed to the log.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>
#include <vector>

#include "station/log/log_db.h"
#include "station/log/log_store.h"
#include "temp_log.h"

namespace station {
namespace {

std::int64_t Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The child: 100 seconds of history a second handed to the log, and an
// alarm with 200 readings in two parts, each batch's last second written to
// the pipe once handed over.
[[noreturn]] void Writer(const std::string& path, int report) {
  StationLog log({path, 30, 3650}, std::cerr);
  std::string error;
  if (!log.Open(error)) _exit(3);
  log.Start();
  const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                              std::chrono::system_clock::now().time_since_epoch())
                              .count();
  for (std::int64_t s = now - 3600;; s += 10) {
    DetectorOutput out;
    for (int i = 0; i < 10; ++i) out.seconds.push_back({s + i, 5.0, 1.1});
    log.Add(std::move(out));
    AlarmEvent alarm;
    alarm.state.serial = static_cast<std::uint64_t>(s);
    alarm.state.unixMs = s * 1000;
    alarm.limit = 2.0;
    log.AddAlarm(alarm);
    alarm.kind = AlarmEvent::Kind::Readings;
    alarm.readings.assign(100, RingReading{s * 1000, 0, 1, 50.0, 2.5});
    log.AddAlarm(alarm);
    alarm.first = 100;
    alarm.complete = true;
    log.AddAlarm(alarm);
    const std::int64_t last = s + 9;
    if (write(report, &last, sizeof last) != sizeof last) _exit(4);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

// What a commit once a second may leave unwritten at a kill, with room for
// the commit itself; ThreadSanitizer makes every step several times slower.
#ifdef __SANITIZE_THREAD__
constexpr std::int64_t kMayLoseMs = 4000;
#else
constexpr std::int64_t kMayLoseMs = 1500;
#endif

TEST(StationLogFile, KilledWhileWritingStaysSound) {
  const std::string path = TempLog("kill");
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    close(fds[0]);
    Writer(path, fds[1]);
  }
  close(fds[1]);
  // Read the child's progress for 3.5 s (more under a sanitizer); remember
  // what it had handed over kMayLoseMs before the kill: that much must be
  // in the file.
  std::vector<std::pair<std::int64_t, std::int64_t>> progress;  // when, last second
  const std::int64_t start = Now();
  std::int64_t last = 0;
  while (Now() - start < 2000 + kMayLoseMs && read(fds[0], &last, sizeof last) == sizeof last) {
    progress.emplace_back(Now(), last);
  }
  const std::int64_t killedAt = Now();
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(fds[0]);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;
  std::int64_t mustHave = 0;
  for (const auto& p : progress) {
    if (p.first <= killedAt - kMayLoseMs) mustHave = p.second;
  }
  ASSERT_GT(mustHave, 0);

  LogDb db;
  std::string error;
  ASSERT_EQ(db.Open(path, false, error), LogOpen::Ok) << error;
  std::int64_t newest = 0, ok = 0;
  ASSERT_TRUE(db.QueryInt("SELECT max(second) FROM history", newest, error)) << error;
  EXPECT_GE(newest, mustHave);
  ASSERT_TRUE(db.QueryInt("SELECT count(*) FROM pragma_integrity_check WHERE integrity_check = 'ok'",
                          ok, error))
      << error;
  EXPECT_EQ(ok, 1);
  // Each commit is whole: no alarm has fewer readings than its row says.
  std::int64_t alarms = 0, torn = 0;
  ASSERT_TRUE(db.QueryInt("SELECT count(*) FROM alarms WHERE complete", alarms, error)) << error;
  EXPECT_GT(alarms, 0);
  ASSERT_TRUE(db.QueryInt("SELECT count(*) FROM alarms a WHERE readings !="
                          " (SELECT count(*) FROM alarm_readings WHERE alarm_id = a.id)",
                          torn, error))
      << error;
  EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace station
