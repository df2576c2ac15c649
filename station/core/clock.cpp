// The service's clocks and the watch on the wall clock; see clock.h.
#include "station/core/clock.h"

#include <chrono>

namespace station {

std::int64_t UnixNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t WallClockWatch::Look(std::int64_t unixMs, std::int64_t steadyMs) {
  const std::int64_t offset = unixMs - steadyMs;
  const std::int64_t moved = offset - offsetMs_;
  const bool first = !looked_;
  looked_ = true;
  offsetMs_ = offset;  // the slow drift follows along and never adds up to a step
  if (first || (moved <= kStepMs && moved >= -kStepMs)) return 0;
  return moved;
}

std::string ClockStepLine(std::int64_t stepMs) {
  const std::int64_t ms = stepMs < 0 ? -stepMs : stepMs;
  const std::int64_t s = (ms + 500) / 1000;
  std::string by;
  if (s >= 3600) by += std::to_string(s / 3600) + " h ";
  if (s >= 60) by += std::to_string(s / 60 % 60) + " min ";
  by += std::to_string(s % 60) + " s";
  return std::string("swrctl: the wall clock stepped ") + (stepMs < 0 ? "back" : "ahead") +
         " by " + by + "; transmissions keep the durations the monotonic clock measures";
}

}  // namespace station
