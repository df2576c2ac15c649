// The amateur bands from 2200 m to 23 cm, as one table: which band a
// transceiver's frequency lies in.
#pragma once

#include <cstdint>
#include <vector>

namespace station {

struct Band {
  const char* name;     // "40m", "70cm"
  std::int64_t lowHz;   // both edges belong to the band
  std::int64_t highHz;
};

// Every band, lowest first. The edges take in each IARU region's allocation,
// so a band is found wherever the station is.
const std::vector<Band>& BandPlan();

// The band holding `hz`, or nullptr outside every band.
const Band* BandOf(std::int64_t hz);

// The band's place in BandPlan() (for ordering tables); -1 for an unknown name.
int BandIndex(const char* name);

}  // namespace station
