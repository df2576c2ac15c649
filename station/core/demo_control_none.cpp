// The demo control of the executables without a simulated controller: none.
#include "station/core/demo_control.h"

namespace station {

void StartDemoControl() {}

const char* StationLogName() { return "station.db"; }

}  // namespace station
