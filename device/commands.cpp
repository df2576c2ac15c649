// The SWR limit's command, the one builder that rounds; see commands.h.
#include "device/commands.h"

#include <cmath>

namespace swr {

float SwrLimitFromPosition(int position) {
  return static_cast<float>(position) / 10.0f;
}

std::uint8_t SwrLimitByte(float limit) {
  const float scaled = limit * 10.0f;
  if (!(scaled > 0.0f)) return 0;       // also NaN
  if (scaled >= 255.0f) return 255;     // the slider never gets here
  return static_cast<std::uint8_t>(std::lround(scaled));
}

CommandBytes SwrLimitCommand(int sensor, float limit) {
  return {CommandCode::SetMaxSwr, static_cast<std::uint8_t>(sensor), SwrLimitByte(limit), true};
}

}  // namespace swr
