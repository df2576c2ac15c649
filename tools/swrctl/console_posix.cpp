// The console on Linux: the local time with its UTC offset, and Ctrl+C and
// SIGTERM handed to the stop signal from a thread of their own.
#include <pthread.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <thread>

#include "tools/swrctl/console.h"

namespace swrctl {
using namespace ::station;

LocalTime LocalTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  LocalTime t;
  t.year = local.tm_year + 1900;
  t.month = local.tm_mon + 1;
  t.day = local.tm_mday;
  t.hour = local.tm_hour;
  t.minute = local.tm_min;
  t.second = local.tm_sec;
  t.millisecond = static_cast<int>(now.tv_nsec / 1000000);
  t.utcOffsetMinutes = static_cast<int>(local.tm_gmtoff / 60);
  return t;
}

void CatchInterrupt(StopSignal& stop) {
  // The signals are taken by a thread of their own through sigwait, so the
  // stop request (which takes a lock and cancels a read) never runs inside
  // a signal handler. Every thread started later inherits the mask.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals, &stop] {
    int received = 0;
    for (bool first = true;; first = false) {
      while (sigwait(&signals, &received) != 0) {
      }
      if (!first) _exit(128 + received);
      // Interrupt waits for the read to end; this thread stays free to
      // take a second Ctrl+C meanwhile.
      std::thread([&stop] { stop.Interrupt(); }).detach();
    }
  }).detach();
}

}  // namespace swrctl
