// swrctl log: the transmissions and the alarms of the station log, read from its file
// (also while a server is writing it).
#pragma once

#include <iosfwd>
#include <string>

#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

// The file to use: --log FILE, or the default place of this executable's
// log; empty when there is none.
std::string StationLogPath(const ServeOptions& options);

int ListLog(const Options& options, std::ostream& out, std::ostream& err);

// swrctl log --alarms: oldest first, as text, CSV or JSON lines.
int ListAlarms(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace swrctl
