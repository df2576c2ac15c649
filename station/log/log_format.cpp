// Formatting the station log's records. The JSON object's keys, the CSV's
// columns and their order come from one table.
#include "station/log/log_format.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "station/core/sensor_names.h"
#include "station/log/csv_table.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Optional(const std::optional<double>& v) { return v ? json(*v) : json(nullptr); }

json NameOf(int sensor) {
  const std::string& name = SensorName(sensor);
  return name.empty() ? json(nullptr) : json(name);
}

using Column = CsvColumn<Transmission>;

const Column kColumns[] = {
    // No id before the store has written it (MQTT's copy of one just ended).
    {"id", [](const Transmission& t) { return t.id > 0 ? json(t.id) : json(nullptr); }},
    {"start_unix_ms", [](const Transmission& t) { return json(t.startUnixMs); }},
    {"end_unix_ms", [](const Transmission& t) { return json(t.endUnixMs); }},
    {"start", [](const Transmission& t) { return json(t.start); }},
    {"end", [](const Transmission& t) { return json(t.end); }},
    {"duration_ms", [](const Transmission& t) { return json(t.DurationMs()); }},
    {"sensor", [](const Transmission& t) { return t.sensor != 0 ? json(t.sensor) : json(nullptr); }},
    {"peak_power", [](const Transmission& t) { return json(t.peakPower); }},
    {"average_power", [](const Transmission& t) { return json(t.averagePower); }},
    {"max_swr", [](const Transmission& t) { return Optional(t.maxSwr); }},
    {"swr_at_peak", [](const Transmission& t) { return Optional(t.swrAtPeak); }},
    {"forward_at_peak", [](const Transmission& t) { return json(t.forwardAtPeak); }},
    {"reflected_at_peak", [](const Transmission& t) { return json(t.reflectedAtPeak); }},
    {"readings", [](const Transmission& t) { return json(t.readings); }},
    {"cut_short", [](const Transmission& t) { return json(t.cutShort); }},
    {"frequency_hz",
     [](const Transmission& t) { return t.frequencyHz ? json(*t.frequencyHz) : json(nullptr); }},
    {"band", [](const Transmission& t) { return t.band ? json(*t.band) : json(nullptr); }},
    {"mode", [](const Transmission& t) { return t.mode ? json(*t.mode) : json(nullptr); }},
    // Columns added later go last, so that a reader by position reads on.
    {"sensor_name", [](const Transmission& t) { return NameOf(t.sensor); }},
    {"antenna", [](const Transmission& t) { return t.antenna ? json(*t.antenna) : json(nullptr); }},
};

json Object(const Transmission& t) {
  json o = json::object();
  for (const Column& c : kColumns) o[c.name] = c.value(t);
  return o;
}

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

}  // namespace

std::string TransmissionJson(const Transmission& t) { return Dump(Object(t)); }

std::string TransmissionPageJson(const TransmissionPage& page) {
  json list = json::array();
  for (const Transmission& t : page.items) list.push_back(Object(t));
  json o = json::object();
  o["transmissions"] = std::move(list);
  o["next_cursor"] = page.next ? json(CursorText(*page.next)) : json(nullptr);
  return Dump(o);
}

std::string TransmissionsCsvHeader() { return CsvHeaderCells(kColumns) + "\r\n"; }

void AppendTransmissionCsv(std::string& out, const Transmission& t) {
  AppendCsvCells(out, kColumns, t);
  out += "\r\n";
}

std::string TransmissionsCsv(const std::vector<Transmission>& list) {
  std::string out = TransmissionsCsvHeader();
  for (const Transmission& t : list) AppendTransmissionCsv(out, t);
  return out;
}

std::string TransmissionText(const Transmission& t) {
  char line[160];
  const std::string swr = t.maxSwr ? Dump(json(*t.maxSwr)) : "-";
  std::snprintf(line, sizeof line, " %7.1f s  sensor %d  peak %.1f W  average %.1f W  SWR %s",
                static_cast<double>(t.DurationMs()) / 1000.0, t.sensor, t.peakPower,
                t.averagePower, swr.c_str());
  return t.start + line + (t.band ? "  " + *t.band : "") + (t.cutShort ? "  (cut short)" : "");
}

std::string CursorText(const std::pair<std::int64_t, std::int64_t>& after) {
  return std::to_string(after.first) + "_" + std::to_string(after.second);
}

bool ParseCursor(const std::string& text, std::pair<std::int64_t, std::int64_t>& after) {
  const std::size_t u = text.find('_');
  if (u == std::string::npos || u == 0 || u + 1 == text.size() || u > 18 || text.size() - u > 19) {
    return false;
  }
  const std::string a = text.substr(0, u), b = text.substr(u + 1);
  if (a.find_first_not_of("-0123456789") != std::string::npos ||
      b.find_first_not_of("0123456789") != std::string::npos || a.find('-', 1) != std::string::npos ||
      a == "-") {
    return false;
  }
  after = {std::stoll(a), std::stoll(b)};
  return true;
}

}  // namespace station
