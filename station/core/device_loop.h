// Keeps the controller open for swrctl serve, as watch --follow does:
// waits for it, reads every report into the live state, and when it goes
// away waits for it again, until a stop is requested.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>

#include "station/core/live_state.h"
#include "station/core/local_time.h"
#include "station/core/stop_signal.h"

namespace station {

struct DeviceLoopEnv {
  std::function<LocalTime()> localTime;
  std::function<std::int64_t()> unixMs;
  std::function<std::int64_t()> steadyMs;
  // Waits between attempts to open the controller; false ends the loop.
  std::function<bool(long ms)> wait;
  StopSignal* stop = nullptr;
};

// Returns when a stop is requested. Tells `err` once per change of the
// controller's state (waiting, connected, lost).
void RunDeviceLoop(LiveState& live, DeviceLoopEnv& env, std::ostream& err);

}  // namespace station
