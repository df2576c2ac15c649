// swrctl log: the transmissions and the alarms of the station log, read from its file
// (also while a server is writing it).
#pragma once

#include <iosfwd>
#include <string>

#include "station/log/log_db.h"
#include "tools/swrctl/options.h"

namespace swrctl {
using namespace ::station;

// The file to use: --log FILE, or the default place of this executable's
// log; empty when there is none.
std::string StationLogPath(const ServeOptions& options);

// Opens the station log for reading; false after one line on `err`.
bool OpenLogForReading(const Options& options, LogDb& db, std::string& path, std::ostream& err);

// The listings' CSV and ADIF end their lines in CRLF themselves: standard
// output then passes them as they are (on Windows it would make CR CR LF).
void PrepareListingOutput(const Options& options, std::ostream& out);

int ListLog(const Options& options, std::ostream& out, std::ostream& err);

// swrctl log --alarms: oldest first, as text, CSV or JSON lines.
int ListAlarms(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace swrctl
