// For the demo executables: the simulated transceiver (fake_rig.h) in
// `box`, with the simulated controller's power following its PTT and its
// SWR following the band (demo_rig_sim.cpp). Returns false and does
// nothing in the other executables (demo_rig_none.cpp); each executable
// links one of the two, like the demo control.
#pragma once

#include "station/rig/rig_state.h"

namespace swrctl {

// Starts once; runs until StopDemoRig() or the program's end.
bool StartDemoRig(RigStateBox& box);
void StopDemoRig();

}  // namespace swrctl
