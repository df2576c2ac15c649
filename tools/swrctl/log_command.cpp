// swrctl log: oldest first, as text, CSV or one JSON object per line.
#include "tools/swrctl/log_command.h"

#include <algorithm>
#include <iostream>

#include "station/core/demo_control.h"
#include "station/log/alarm_format.h"
#include "station/log/log_db.h"
#include "station/log/log_format.h"
#include "station/log/log_platform.h"
#include "station/log/log_queries.h"
#include "station/core/exit_status.h"

namespace swrctl {
using namespace ::station;
namespace {

constexpr long kMaxListed = 1000000;

}  // namespace

std::string StationLogPath(const ServeOptions& options) {
  return options.logFile.empty() ? DefaultLogPath(StationLogName()) : options.logFile;
}

bool OpenLogForReading(const Options& options, LogDb& db, std::string& path, std::ostream& err) {
  path = StationLogPath(options.serve);
  if (path.empty()) {
    err << "swrctl: no place for the station log is known (set XDG_STATE_HOME or HOME, or"
           " give --log FILE)\n";
    return false;
  }
  std::string error;
  if (db.Open(path, false, error) == LogOpen::Ok) return true;
  err << "swrctl: cannot read the station log " << path << ": " << error << '\n';
  return false;
}

void PrepareListingOutput(const Options& options, std::ostream& out) {
  const bool crlf = options.format == Format::Csv || options.format == Format::Adif;
  if (crlf && &out == &std::cout) BinaryStandardOutput();
}

bool StartListing(const Options& options, long limit, std::ostream& out, std::ostream& err,
                  Listing& listing) {
  if (!OpenLogForReading(options, listing.db, listing.path, err)) return false;
  PrepareListingOutput(options, out);
  listing.query.from = options.since;
  listing.query.to = options.until;
  listing.query.limit = limit;
  return true;
}

int ListingReadFailed(const Listing& listing, const std::string& error, std::ostream& err) {
  err << "swrctl: cannot read the station log " << listing.path << ": " << error << '\n';
  return kExitFailure;
}

int ListAlarms(const Options& options, std::ostream& out, std::ostream& err) {
  Listing listing;
  std::string error;
  if (!StartListing(options, kMaxListed, out, err, listing)) return kExitFailure;
  AlarmPage page;
  if (!QueryAlarms(listing.db, listing.query, page, error)) {
    return ListingReadFailed(listing, error, err);
  }
  std::reverse(page.items.begin(), page.items.end());
  std::string text = options.format == Format::Csv ? AlarmsCsvHeader() : "";
  bool read = true;
  for (AlarmRecord& a : page.items) {
    bool found = false;
    read = ReadAlarm(listing.db, a.id, a, found, error);  // with its halts
    if (!read) break;
    if (options.format == Format::Csv) AppendAlarmCsv(text, a);
    else text += (options.format == Format::Json ? AlarmRecordJson(a) : AlarmText(a)) + '\n';
  }
  out << text;
  out.flush();
  if (!read) return ListingReadFailed(listing, error, err);
  if (out) return kExitOk;
  err << "swrctl: cannot write the alarms to the output\n";
  return kExitFailure;
}

int ListLog(const Options& options, std::ostream& out, std::ostream& err) {
  Listing listing;
  std::string error;
  if (!StartListing(options, kMaxListed, out, err, listing)) return kExitFailure;
  TransmissionPage page;
  if (!QueryTransmissions(listing.db, listing.query, page, error)) {
    return ListingReadFailed(listing, error, err);
  }
  std::reverse(page.items.begin(), page.items.end());
  switch (options.format) {
    case Format::Csv:
      out << TransmissionsCsv(page.items);
      break;
    case Format::Json:
      for (const Transmission& t : page.items) out << TransmissionJson(t) << '\n';
      break;
    case Format::Adif:  // refused without --qsos by the command line
    case Format::Text:
      for (const Transmission& t : page.items) out << TransmissionText(t) << '\n';
      break;
  }
  out.flush();
  if (out) return kExitOk;
  err << "swrctl: cannot write the transmissions to the output\n";
  return kExitFailure;
}

}  // namespace swrctl
