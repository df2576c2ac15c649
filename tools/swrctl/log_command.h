// swrctl log: the transmissions and the alarms of the station log, read from its file
// (also while a server is writing it).
#pragma once

#include <iosfwd>
#include <string>

#include "station/log/log_db.h"
#include "station/log/log_queries.h"
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

// What a listing reads: the station log open for reading, and the query of
// --since and --until for at most `limit` rows.
struct Listing {
  LogDb db;
  std::string path;
  TransmissionQuery query;
};
// Opens the log, prepares `out` for the listing and sets up the query;
// false after one line on `err`.
bool StartListing(const Options& options, long limit, std::ostream& out, std::ostream& err,
                  Listing& listing);
// Says on `err` that reading the log failed (`error`: SQLite's words);
// returns the exit status.
int ListingReadFailed(const Listing& listing, const std::string& error, std::ostream& err);

int ListLog(const Options& options, std::ostream& out, std::ostream& err);

// swrctl log --alarms: oldest first, as text, CSV or JSON lines.
int ListAlarms(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace swrctl
