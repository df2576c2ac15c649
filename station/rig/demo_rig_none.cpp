// No simulated transceiver outside the demo executables.
#include "station/rig/demo_rig.h"

namespace station {

bool StartDemoRig(RigStateBox&, std::function<void(const Qso&)>) { return false; }
void StopDemoRig() {}

}  // namespace station
