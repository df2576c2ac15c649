// swrctl serve: the controller kept open, its readings and settings on a
// live web page and a JSON API.
#pragma once

#include <iosfwd>
#include <string>

#include "station/core/serve_options.h"
#include "tools/swrctl/watch.h"

namespace swrctl {
using namespace ::station;

constexpr unsigned short kDefaultServePort = 8537;

// "HOST:PORT" with HOST an IPv4 address, localhost or [IPv6]; false when
// it is not of that shape. host comes back without brackets; port 0 asks
// for any free port.
bool ParseListen(const std::string& text, std::string& host, unsigned short& port);

// Runs until a stop is requested (Ctrl+C, SIGTERM); returns the exit status.
int Serve(const ServeOptions& options, WatchEnv& env, std::ostream& out, std::ostream& err);

}  // namespace swrctl
