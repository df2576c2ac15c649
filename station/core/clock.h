// The service's two clocks in milliseconds: the wall clock for time stamps
// people read, the monotonic one for ages, rates, timeouts and durations;
// and the watch that notices when the wall clock is stepped.
#pragma once

#include <cstdint>
#include <string>

namespace station {

std::int64_t UnixNowMs();
std::int64_t SteadyNowMs();

// Looks at both clocks now and then. Their difference moves only slowly
// while the wall clock runs (NTP slews it by well under a second an hour);
// when it moves by more than kStepMs between two looks, the wall clock was
// stepped: set by hand, or by NTP once it is reached after a boot.
class WallClockWatch {
 public:
  static constexpr std::int64_t kStepMs = 3000;

  // The step since the previous look in ms (positive: the wall clock jumped
  // ahead), 0 when there was none. The first look sees none.
  std::int64_t Look(std::int64_t unixMs, std::int64_t steadyMs);

 private:
  bool looked_ = false;
  std::int64_t offsetMs_ = 0;  // wall minus monotonic at the previous look
};

// The one line that tells of a step, without its newline.
std::string ClockStepLine(std::int64_t stepMs);

}  // namespace station
