// For the demo executables: lets a test drive the simulated controller
// through standard input (see demo_control_sim.cpp). A no-op in the others
// (demo_control_none.cpp); each executable links one of the two.
#pragma once

#include <string>

namespace station {

void StartDemoControl();

// The answer to one instruction line, its effect on the simulated controller
// done. Only the simulated realisation has it (tests call it directly).
std::string DemoControlAnswer(const std::string& instruction);

// The file name of the station log in its default directory: the demo
// executables keep a log of their own, never the real station's.
const char* StationLogName();

}  // namespace station
