// Filling a logger's ADIF file with what the meter measured: each record
// that matches transmissions of the station log gets TX_PWR (where it is
// empty or not a number, or always with `replace`) and our application
// fields; every other byte of the file stays as it was.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "station/log/adif.h"
#include "station/log/qso.h"

namespace station {

struct AdifFillOptions {
  bool replace = false;  // TX_PWR written over a number too
};

struct AdifFillCounts {
  long records = 0;
  long filled = 0;     // matched, our fields written
  long unmatched = 0;  // no transmission of the log belongs to it
  long unusable = 0;   // without a date, time on, or band or frequency
  long powerKept = 0;  // filled, but its TX_PWR (a number) left as it was
};

// The measurement of a QSO (the matcher over the log's transmissions).
using QsoMeasure = std::function<std::optional<QsoMeasurement>(const Qso&)>;

// The QSO an ADIF record describes: QSO_DATE and TIME_ON (HHMM or HHMMSS,
// UTC), TIME_OFF with QSO_DATE_OFF (or the day after when earlier than the
// time on) where given, BAND or FREQ (MHz), SUBMODE or MODE. False when
// the record has no usable date, time on, or band.
bool QsoOfAdif(const AdifRecord& record, Qso& qso);

// Whether an ADIF value is a number (TX_PWR's type): digits with at most
// one '.', an optional leading '-'.
bool AdifIsNumber(std::string_view value);

// Reads the whole of `text` first (an error names the record and nothing
// is written), then writes it to `out` with the matched records filled.
bool FillAdif(std::string_view text, const QsoMeasure& measure, const AdifFillOptions& options,
              std::ostream& out, AdifFillCounts& counts, std::string& error);

}  // namespace station
