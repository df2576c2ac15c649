// What swrctl needs of the operating system besides the HID bus: the local
// time with its UTC offset, and Ctrl+C. One realisation per platform:
// console_posix.cpp, console_win32.cpp.
#pragma once

#include "station/core/local_time.h"
#include "station/core/stop_signal.h"

namespace swrctl {
using namespace ::station;

LocalTime LocalTimeNow();

// From now on Ctrl+C (and a termination request) asks `stop` to end the
// watch; a second Ctrl+C ends the process at once.
void CatchInterrupt(StopSignal& stop);

}  // namespace swrctl
