// The antenna's health as the station log left it, so that a restart of the
// service keeps each band's baseline and a warning in progress.
#pragma once

#include <string>

#include "station/health/antenna_health.h"

namespace station {

// Hands `health` the newest transmissions of each sensor and band from the
// log at `logPath`, up to its window, oldest first, as if they had just
// ended. A log not yet written gives nothing; false with `error` when the
// log cannot be read (the health then starts empty).
bool SeedHealth(const std::string& logPath, AntennaHealth& health, std::string& error);

}  // namespace station
