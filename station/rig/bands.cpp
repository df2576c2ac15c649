// The band plan as data. Edges are the union of the three IARU regions'
// allocations (and the wider national ones where they are common, as on
// 60 m), so no region's transmission falls outside its band.
#include "station/rig/bands.h"

#include <cstring>

namespace station {

const std::vector<Band>& BandPlan() {
  static const std::vector<Band> plan = {
      {"2200m", 135'700, 137'800},
      {"630m", 472'000, 479'000},
      {"160m", 1'800'000, 2'000'000},
      {"80m", 3'500'000, 4'000'000},
      {"60m", 5'250'000, 5'450'000},
      {"40m", 7'000'000, 7'300'000},
      {"30m", 10'100'000, 10'150'000},
      {"20m", 14'000'000, 14'350'000},
      {"17m", 18'068'000, 18'168'000},
      {"15m", 21'000'000, 21'450'000},
      {"12m", 24'890'000, 24'990'000},
      {"10m", 28'000'000, 29'700'000},
      {"6m", 50'000'000, 54'000'000},
      {"4m", 69'900'000, 70'500'000},
      {"2m", 144'000'000, 148'000'000},
      {"1.25m", 219'000'000, 225'000'000},
      {"70cm", 420'000'000, 450'000'000},
      {"33cm", 902'000'000, 928'000'000},
      {"23cm", 1'240'000'000, 1'300'000'000},
  };
  return plan;
}

const Band* BandOf(std::int64_t hz) {
  for (const Band& band : BandPlan()) {
    if (hz >= band.lowHz && hz <= band.highHz) return &band;
  }
  return nullptr;
}

int BandIndex(const char* name) {
  const std::vector<Band>& plan = BandPlan();
  for (std::size_t i = 0; i < plan.size(); ++i) {
    if (std::strcmp(plan[i].name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace station
