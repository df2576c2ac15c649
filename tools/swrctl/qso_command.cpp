// swrctl log --qsos (text, CSV, JSON lines or ADIF, oldest first, written
// as read) and swrctl adif fill.
#include "tools/swrctl/qso_command.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

#include "station/core/clock.h"
#include "station/core/exit_status.h"
#include "station/log/adif_fill.h"
#include "station/log/log_db.h"
#include "station/log/log_platform.h"
#include "station/log/qso_format.h"
#include "station/log/qso_store.h"
#include "tools/swrctl/log_command.h"

namespace swrctl {
using namespace ::station;
namespace {

namespace fs = std::filesystem;

constexpr long kMaxListed = 10000000;

bool ReadWhole(const std::string& path, std::string& text, std::string& error) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::ostringstream s;
  s << in.rdbuf();
  text = std::move(s).str();
  if (!in.bad()) return true;
  error = "cannot read " + path;
  return false;
}

// IN and OUT are one file: the same name, or another path to it.
bool SameFile(const std::string& in, const std::string& out) {
  std::error_code ec;
  return in == out || fs::equivalent(fs::u8path(in), fs::u8path(out), ec);
}

}  // namespace

int ListQsos(const Options& options, std::ostream& out, std::ostream& err) {
  Listing listing;
  std::string error;
  if (!StartListing(options, kMaxListed, out, err, listing)) return kExitFailure;
  std::string chunk;
  if (options.format == Format::Adif) chunk = AdifHeader(UnixNowMs(), SWRCTL_VERSION);
  if (options.format == Format::Csv) chunk = QsosCsvHeader();
  const bool ok = EachQsoOldestFirst(listing.db, listing.query, [&](const Qso& qso) {
    switch (options.format) {
      case Format::Csv: AppendQsoCsv(chunk, qso); break;
      case Format::Adif: AppendQsoAdif(chunk, qso); break;
      case Format::Json: chunk += QsoJson(qso) + '\n'; break;
      case Format::Text: chunk += QsoText(qso) + '\n'; break;
    }
    if (chunk.size() > 65536) {
      out << chunk;
      chunk.clear();
    }
    return static_cast<bool>(out);
  }, error);
  out << chunk;
  out.flush();
  if (!ok) return ListingReadFailed(listing, error, err);
  if (out) return kExitOk;
  err << "swrctl: cannot write the QSOs to the output\n";
  return kExitFailure;
}

namespace {

// Closes the file written beside OUT and, when all went well, renames it over
// OUT; otherwise removes it, so OUT stays as it was. False when a complete
// file could not take OUT's place.
bool FinishPart(std::ofstream& file, const std::string& part, const std::string& out, bool ok) {
  file.close();
  const bool written = ok && file;
  std::error_code ec;
  if (written) fs::rename(fs::u8path(part), fs::u8path(out), ec);
  if (!written || ec) fs::remove(fs::u8path(part), ec);
  return !(written && ec);
}

void SayCounts(const AdifFillCounts& counts, std::ostream& err) {
  err << "swrctl: " << counts.records << " records: " << counts.filled << " filled ("
      << counts.powerKept << " with their TX_PWR kept), " << counts.unmatched
      << " without transmissions in the log, " << counts.unusable
      << " without a date, time or band; passed through as they were\n";
}

}  // namespace

namespace {

// Where the filled file goes: OUT.part, written beside OUT and renamed over
// it once complete (a failure leaves OUT as it was), else standard output.
bool OpenFilled(const Options& options, const std::string& part, std::ofstream& file,
                std::ostream& out, std::ostream& err) {
  if (options.adifOut.empty()) {
    if (&out == &std::cout) BinaryStandardOutput();
    return true;
  }
  file.open(fs::u8path(part), std::ios::binary | std::ios::trunc);
  if (!file) err << "swrctl: cannot write " << options.adifOut << '\n';
  return static_cast<bool>(file);
}

}  // namespace

int AdifFill(const Options& options, std::ostream& out, std::ostream& err) {
  if (!options.adifOut.empty() && SameFile(options.adifIn, options.adifOut)) {
    err << "swrctl: -o " << options.adifOut << " is " << options.adifIn
        << " itself; adif fill never writes its input: give another file\n";
    return kExitUsage;
  }
  std::string text, error;
  if (!ReadWhole(options.adifIn, text, error)) {
    err << "swrctl: " << error << '\n';
    return kExitFailure;
  }
  LogDb db;
  std::string path;
  std::int64_t lookback = 0;
  if (!OpenLogForReading(options, db, path, err)) return kExitFailure;
  if (!LongestTransmissionMs(db, lookback, error)) {
    err << "swrctl: cannot read the station log " << path << ": " << error << '\n';
    return kExitFailure;
  }
  std::vector<Transmission> around;
  std::string queryError;
  TransmissionsNear near(db, lookback);
  const QsoMeasure measure = [&](const Qso& qso) -> std::optional<QsoMeasurement> {
    if (!queryError.empty() || !near.Read(qso, around, queryError)) return std::nullopt;
    return MatchQso(qso, around);
  };
  const std::string part = options.adifOut + ".part";
  std::ofstream file;
  if (!OpenFilled(options, part, file, out, err)) return kExitFailure;
  std::ostream& to = options.adifOut.empty() ? out : file;
  AdifFillCounts counts;
  const bool ok = FillAdif(text, measure, {options.replace}, to, counts, error);
  to.flush();
  if (file.is_open() && !FinishPart(file, part, options.adifOut, ok && queryError.empty())) {
    err << "swrctl: cannot write " << options.adifOut << '\n';
    return kExitFailure;
  }
  if (!ok && !error.empty()) {
    err << "swrctl: " << options.adifIn << ": " << error << "; nothing written\n";
    return kExitFailure;
  }
  if (!queryError.empty()) {
    err << "swrctl: cannot read the station log " << path << ": " << queryError << '\n';
    return kExitFailure;
  }
  if (!ok || (!file.is_open() && !to)) {
    err << "swrctl: cannot write the filled file\n";
    return kExitFailure;
  }
  SayCounts(counts, err);
  return kExitOk;
}

}  // namespace swrctl
