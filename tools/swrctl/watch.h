// swrctl watch: reads the controller's reports and prints one line each.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>

#include "tools/swrctl/options.h"
#include "tools/swrctl/reading.h"
#include "tools/swrctl/stop_signal.h"

namespace swrctl {

// What watch needs besides the controller; tests supply their own.
struct WatchEnv {
  std::function<std::int64_t()> monotonicMs;  // for --interval
  std::function<LocalTime()> localTime;       // for the time stamps
  // Waits between attempts to find the controller; false ends the watch.
  std::function<bool(long ms)> wait;
  StopSignal* stop = nullptr;
};

// How often a missing controller is looked for (the panel's supervision
// period).
constexpr long kPollMs = 200;

// Returns the exit status.
int Watch(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err);

}  // namespace swrctl
