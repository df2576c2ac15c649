// swrctl watch: reads the controller's reports and prints one line each.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>

#include "station/core/stop_signal.h"
#include "tools/swrctl/options.h"
#include "tools/swrctl/reading.h"

namespace swrctl {
using namespace ::station;

// What watch needs besides the controller; tests supply their own.
struct WatchEnv {
  std::function<std::int64_t()> monotonicMs;  // for --interval
  std::function<LocalTime()> localTime;       // for the time stamps
  // Waits between attempts to find the controller; false ends the watch.
  std::function<bool(long ms)> wait;
  StopSignal* stop = nullptr;
};

// Returns the exit status.
int Watch(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err);

}  // namespace swrctl
