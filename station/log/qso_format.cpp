// Formatting QSOs. The JSON object's keys and the CSV's columns come from
// one table; ADIF is written field by field with lengths in bytes.
#include "station/log/qso_format.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <nlohmann/json.hpp>

#include "station/core/sensor_names.h"
#include "station/log/csv_table.h"
#include "station/log/log_format.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Text(const std::string& s) { return s.empty() ? json(nullptr) : json(s); }

template <typename F>
json Measured(const Qso& q, F f) {
  return q.measured ? f(*q.measured) : json(nullptr);
}

using Column = CsvColumn<Qso>;

const Column kColumns[] = {
    {"id", [](const Qso& q) { return q.id > 0 ? json(q.id) : json(nullptr); }},
    {"call", [](const Qso& q) { return json(q.call); }},
    {"grid", [](const Qso& q) { return Text(q.grid); }},
    {"band", [](const Qso& q) { return Text(QsoBand(q)); }},
    {"frequency_hz",
     [](const Qso& q) { return q.frequencyHz ? json(*q.frequencyHz) : json(nullptr); }},
    {"mode", [](const Qso& q) { return Text(q.mode); }},
    {"report_sent", [](const Qso& q) { return Text(q.reportSent); }},
    {"report_received", [](const Qso& q) { return Text(q.reportReceived); }},
    {"time_on_unix_ms", [](const Qso& q) { return json(q.timeOnMs); }},
    {"time_off_unix_ms", [](const Qso& q) { return json(q.timeOffMs); }},
    {"sender", [](const Qso& q) { return Text(q.sender); }},
    {"transmissions",
     [](const Qso& q) { return json(q.measured ? q.measured->transmissions : 0); }},
    {"peak_power", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) { return json(m.peakPower); });
     }},
    {"average_power", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) { return json(m.averagePower); });
     }},
    {"max_swr", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) {
         return m.maxSwr ? json(*m.maxSwr) : json(nullptr);
       });
     }},
    {"on_air_ms", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) { return json(m.onAirMs); });
     }},
    {"sensor", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) {
         return m.sensor != 0 ? json(m.sensor) : json(nullptr);
       });
     }},
    {"sensor_name", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) { return Text(SensorName(m.sensor)); });
     }},
    {"antenna", [](const Qso& q) {
       return Measured(q, [](const QsoMeasurement& m) {
         return m.antenna ? json(*m.antenna) : json(nullptr);
       });
     }},
};

json Object(const Qso& q) {
  json o = json::object();
  for (const Column& c : kColumns) o[c.name] = c.value(q);
  return o;
}

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

std::tm Utc(std::int64_t unixMs) {
  std::int64_t s = unixMs / 1000 - (unixMs % 1000 < 0 ? 1 : 0);
  const std::time_t t = static_cast<std::time_t>(s);
  std::tm tm{};
#ifdef _WIN32
  gmtime_s(&tm, &t);
#else
  gmtime_r(&t, &tm);
#endif
  return tm;
}

std::string Format(const char* format, std::int64_t unixMs) {
  const std::tm tm = Utc(unixMs);
  char text[32];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}

// ADIF's mode for ours: FT4 is a submode of MFSK.
void AppendMode(std::string& out, const std::string& mode) {
  if (mode.empty()) return;
  if (mode == "FT4") {
    AppendAdifField(out, "MODE", "MFSK");
    AppendAdifField(out, "SUBMODE", "FT4");
  } else {
    AppendAdifField(out, "MODE", mode);
  }
}

}  // namespace

std::string QsoJson(const Qso& q) { return Dump(Object(q)); }

std::string QsoPageJson(const QsoPage& page) {
  json list = json::array();
  for (const Qso& q : page.items) list.push_back(Object(q));
  json o = json::object();
  o["qsos"] = std::move(list);
  o["next_cursor"] = page.next ? json(CursorText(*page.next)) : json(nullptr);
  return Dump(o);
}

std::string QsosCsvHeader() { return CsvHeaderCells(kColumns) + "\r\n"; }

void AppendQsoCsv(std::string& out, const Qso& q) {
  AppendCsvCells(out, kColumns, q);
  out += "\r\n";
}

std::string QsoText(const Qso& q) {
  std::string line = Format("%Y-%m-%d %H:%M:%SZ  ", q.timeOnMs) + q.call + "  " + QsoBand(q) +
                     "  " + q.mode;
  if (!q.measured) return line + "  (no transmission in the log)";
  char m[128];
  const std::string swr = q.measured->maxSwr ? AdifNumber(*q.measured->maxSwr, 2) : "-";
  std::snprintf(m, sizeof m, "  peak %.1f W  average %.1f W  SWR %s  %.1f s on air",
                q.measured->peakPower, q.measured->averagePower, swr.c_str(),
                static_cast<double>(q.measured->onAirMs) / 1000.0);
  return line + m;
}

std::string AdifDate(std::int64_t unixMs) { return Format("%Y%m%d", unixMs); }
std::string AdifTime(std::int64_t unixMs) { return Format("%H%M%S", unixMs); }

std::string AdifNumber(double value, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

void AppendAdifField(std::string& out, const std::string& name, const std::string& value) {
  out += '<';
  out += name;
  out += ':';
  out += std::to_string(value.size());
  out += '>';
  out += value;
  out += ' ';
}

std::string AdifHeader(std::int64_t nowMs, const std::string& version) {
  std::string out = "QSOs of the station log with the power and SWR the meter measured\r\n";
  AppendAdifField(out, "ADIF_VER", "3.1.4");
  AppendAdifField(out, "PROGRAMID", kAdifProgramId);
  AppendAdifField(out, "PROGRAMVERSION", version);
  AppendAdifField(out, "CREATED_TIMESTAMP", AdifDate(nowMs) + " " + AdifTime(nowMs));
  out += "<EOH>\r\n";
  return out;
}

void AppendMeasurementAdif(std::string& out, const QsoMeasurement& m, bool txPower,
                           const std::string& separator) {
  const std::string app = std::string("APP_") + kAdifProgramId + "_";
  const auto field = [&](const std::string& name, const std::string& value) {
    out += '<' + name + ':' + std::to_string(value.size()) + '>' + value + separator;
  };
  if (txPower) field("TX_PWR", AdifNumber(m.peakPower, 1));
  field(app + "AVG_PWR", AdifNumber(m.averagePower, 1));
  if (m.maxSwr) field(app + "MAX_SWR", AdifNumber(*m.maxSwr, 2));
  field(app + "TX_SECONDS", AdifNumber(static_cast<double>(m.onAirMs) / 1000.0, 1));
  if (m.sensor != 0) field(app + "SENSOR", std::to_string(m.sensor));
}

void AppendQsoAdif(std::string& out, const Qso& q) {
  AppendAdifField(out, "CALL", q.call);
  if (!q.grid.empty()) AppendAdifField(out, "GRIDSQUARE", q.grid);
  const std::string band = QsoBand(q);
  if (!band.empty()) AppendAdifField(out, "BAND", band);
  if (q.frequencyHz) AppendAdifField(out, "FREQ", AdifNumber(*q.frequencyHz / 1e6, 6));
  AppendMode(out, q.mode);
  if (!q.reportSent.empty()) AppendAdifField(out, "RST_SENT", q.reportSent);
  if (!q.reportReceived.empty()) AppendAdifField(out, "RST_RCVD", q.reportReceived);
  AppendAdifField(out, "QSO_DATE", AdifDate(q.timeOnMs));
  AppendAdifField(out, "TIME_ON", AdifTime(q.timeOnMs));
  AppendAdifField(out, "QSO_DATE_OFF", AdifDate(q.timeOffMs));
  AppendAdifField(out, "TIME_OFF", AdifTime(q.timeOffMs));
  if (q.measured) {
    AppendMeasurementAdif(out, *q.measured, true, " ");
    // ADIF's ADI files are ASCII: a name beyond it is not written there.
    const std::string& antenna = SensorName(q.measured->sensor);
    const bool ascii =
        std::all_of(antenna.begin(), antenna.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
    if (!antenna.empty() && ascii) AppendAdifField(out, "MY_ANTENNA", antenna);
  }
  out += "<EOR>\r\n";
}

}  // namespace station
