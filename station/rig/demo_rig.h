// For the demo executables: the simulated transceiver (fake_rig.h) in
// `box`, with the simulated controller's power following its PTT and its
// SWR following the band, and its QSOs handed to `logQso`
// (demo_rig_sim.cpp). Returns false and does nothing in the other
// executables (demo_rig_none.cpp); each executable links one of the two,
// like the demo control.
#pragma once

#include <functional>

#include "station/core/qso_record.h"
#include "station/rig/rig_state.h"

namespace station {

// Starts once; runs until StopDemoRig() or the program's end.
// `logQso` may be empty (no log kept) and must return at once.
bool StartDemoRig(RigStateBox& box, std::function<void(const Qso&)> logQso);
void StopDemoRig();

}  // namespace station
