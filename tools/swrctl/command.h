// The commands of swrctl that talk to the controller once: status, and the
// four settings through the service's one command path.
#pragma once

#include <iosfwd>
#include <string>

#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

// The device path of the first controller found, searching as the panel's
// presence test does (query access, first match, at most 256 interfaces).
// false when there is none.
bool FindControllerPath(std::string& path);

// Sends the command of `options` and returns the exit status; with
// --verbose prints the bytes written.
int RunCommand(const Options& options, std::ostream& out, std::ostream& err);

// swrctl status; returns the exit status.
int ShowStatus(std::ostream& out);

}  // namespace swrctl
