// The service's two clocks in milliseconds: the wall clock for time stamps
// people read, the monotonic one for ages, rates and timeouts.
#pragma once

#include <cstdint>

namespace swrctl {

std::int64_t UnixNowMs();
std::int64_t SteadyNowMs();

}  // namespace swrctl
