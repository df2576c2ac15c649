// The console on Windows: the local time with its UTC offset, and Ctrl+C,
// Ctrl+Break and the console's close handed to the stop signal.
#include <windows.h>

#include "tools/swrctl/console.h"

namespace swrctl {
using namespace ::station;
namespace {

StopSignal* interruptTarget = nullptr;

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
      // A second Ctrl+C falls through to the default handler, which ends
      // the process.
      if (interruptTarget == nullptr || interruptTarget->StopRequested()) return FALSE;
      interruptTarget->Interrupt();
      return TRUE;
    default:
      return FALSE;
  }
}

std::int64_t Ticks(const FILETIME& time) {
  return (static_cast<std::int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

LocalTime LocalTimeNow() {
  // Local time and its offset from one reading of the clock.
  FILETIME utc{};
  FILETIME local{};
  GetSystemTimeAsFileTime(&utc);
  FileTimeToLocalFileTime(&utc, &local);
  SYSTEMTIME st{};
  FileTimeToSystemTime(&local, &st);
  LocalTime t;
  t.year = st.wYear;
  t.month = st.wMonth;
  t.day = st.wDay;
  t.hour = st.wHour;
  t.minute = st.wMinute;
  t.second = st.wSecond;
  t.millisecond = st.wMilliseconds;
  t.utcOffsetMinutes = static_cast<int>((Ticks(local) - Ticks(utc)) / 600000000LL);
  return t;
}

void CatchInterrupt(StopSignal& stop) {
  interruptTarget = &stop;
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace swrctl
