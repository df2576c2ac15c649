// QSOs as the API and swrctl log show them: JSON, CSV, lines of text and
// ADIF (3.1, the .adi form), each a record at a time so that long lists
// are written as they are read.
#pragma once

#include <cstdint>
#include <string>

#include "station/log/qso.h"
#include "station/log/qso_store.h"

namespace station {

// ADIF's PROGRAMID, and the prefix of our application fields.
constexpr const char kAdifProgramId[] = "SWRPANEL";

std::string QsoJson(const Qso& q);
// {"qsos":[...],"next_cursor":"..."|null}
std::string QsoPageJson(const QsoPage& page);

std::string QsosCsvHeader();
void AppendQsoCsv(std::string& out, const Qso& q);

std::string QsoText(const Qso& q);

// The header: a line of text, ADIF_VER, PROGRAMID, PROGRAMVERSION,
// CREATED_TIMESTAMP (UTC) and <EOH>.
std::string AdifHeader(std::int64_t nowMs, const std::string& version);
void AppendQsoAdif(std::string& out, const Qso& q);

// ADIF's fields of a measurement, for a record of ours or one filled in:
// TX_PWR (the peak, watts to a tenth) unless `txPower` is false,
// APP_SWRPANEL_AVG_PWR, APP_SWRPANEL_MAX_SWR (when known),
// APP_SWRPANEL_TX_SECONDS and APP_SWRPANEL_SENSOR; each as "<NAME:LEN>VALUE"
// followed by `separator`.
void AppendMeasurementAdif(std::string& out, const QsoMeasurement& m, bool txPower,
                           const std::string& separator);
void AppendAdifField(std::string& out, const std::string& name, const std::string& value);
std::string AdifNumber(double value, int decimals);

// UTC date and time of unix ms as ADIF writes them: YYYYMMDD and HHMMSS.
std::string AdifDate(std::int64_t unixMs);
std::string AdifTime(std::int64_t unixMs);

}  // namespace station
