// The program as a whole: start-up, the main event loop, shutdown.
#pragma once

namespace swr {

// Runs the panel from start-up to the main window's close; returns the exit
// code (0).
int RunProgram();

}  // namespace swr
