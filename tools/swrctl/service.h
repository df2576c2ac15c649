// swrctl service: `swrctl serve` as a Windows service that starts with
// Windows and restarts after a failure. The verbs install, remove, start,
// stop and status are for the user; run is how the service manager starts
// the service's process. Realisations: service_win32.cpp with
// service_run_win32.cpp, and service_posix.cpp (which points to the systemd
// unit instead); service.cpp holds what is the same everywhere.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "tools/swrctl/options.h"
#include "tools/swrctl/watch.h"

namespace swrctl {
using namespace ::station;

// The service's name, as the service manager and the systemd unit know it.
constexpr char kServiceName[] = "swrctl-serve";

// The operands as the usage line names them.
constexpr char kServiceOperands[] = " install|remove|start|stop|status [serve's options]";

bool IsServiceVerb(const std::string& verb);
// install and run: the verbs that take serve's options.
bool TakesServeOptions(const std::string& verb);

// serve's options as arguments that parse back to the same options: what
// `service install` writes into the service's command line after
// "service run".
std::vector<std::string> ServeArguments(const Options& options);

// One argument quoted for a Windows command line, so that the program's
// C runtime reads it back unchanged.
std::string WindowsQuoted(const std::string& arg);

// Carries out options.serviceVerb; returns the exit status. `env` is
// serve's when the verb is run.
int ServiceCommand(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err);

}  // namespace swrctl
