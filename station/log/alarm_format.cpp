// The alarms' formats. The JSON object's keys, the CSV's columns and their
// order come from one table, as for the transmissions.
#include "station/log/alarm_format.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "station/core/csv_cell.h"
#include "station/core/sensor_names.h"
#include "station/health/health_json.h"
#include "station/log/csv_table.h"
#include "station/log/qso_format.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Number(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }
json Rounded(double v, double scale) { return Number(std::round(v * scale) / scale); }

std::string UtcText(std::int64_t unixMs) {
  const std::string d = AdifDate(unixMs), t = AdifTime(unixMs);
  return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + "T" + t.substr(0, 2) +
         ":" + t.substr(2, 2) + ":" + t.substr(4, 2) + "Z";
}

using Column = CsvColumn<AlarmRecord>;

const Column kColumns[] = {
    {"id", [](const AlarmRecord& a) { return json(a.id); }},
    {"unix_ms", [](const AlarmRecord& a) { return json(a.unixMs); }},
    {"time", [](const AlarmRecord& a) { return json(UtcText(a.unixMs)); }},
    {"sensor", [](const AlarmRecord& a) { return json(a.sensor); }},
    {"sensor_name",
     [](const AlarmRecord& a) {
       const std::string& name = SensorName(a.sensor);
       return name.empty() ? json(nullptr) : json(name);
     }},
    {"band", [](const AlarmRecord& a) { return a.band ? json(*a.band) : json(nullptr); }},
    {"frequency_hz",
     [](const AlarmRecord& a) { return a.frequencyHz ? json(*a.frequencyHz) : json(nullptr); }},
    {"swr", [](const AlarmRecord& a) { return Rounded(a.swr, 100); }},
    {"peak_swr", [](const AlarmRecord& a) { return Rounded(a.peakSwr, 100); }},
    {"power", [](const AlarmRecord& a) { return Rounded(a.power, 10); }},
    {"limit", [](const AlarmRecord& a) { return Rounded(a.limit, 10); }},
    {"acknowledged_unix_ms",
     [](const AlarmRecord& a) {
       return a.acknowledgedUnixMs != 0 ? json(a.acknowledgedUnixMs) : json(nullptr);
     }},
    {"acknowledged_via",
     [](const AlarmRecord& a) {
       return a.acknowledgedVia.empty() ? json(nullptr) : json(a.acknowledgedVia);
     }},
    {"window_from_unix_ms", [](const AlarmRecord& a) { return json(a.windowFromMs); }},
    {"window_to_unix_ms", [](const AlarmRecord& a) { return json(a.windowToMs); }},
    {"readings", [](const AlarmRecord& a) { return json(a.readings); }},
    {"complete", [](const AlarmRecord& a) { return json(a.complete); }},
};

json Object(const AlarmRecord& a) {
  json o = json::object();
  for (const Column& c : kColumns) o[c.name] = c.value(a);
  o["halts"] = json::parse(HaltsJson(a.halts));
  return o;
}

std::string Dump(const json& j) { return j.dump(-1, ' ', false, json::error_handler_t::replace); }

std::string Fixed(double v, int decimals) {
  if (!std::isfinite(v)) return "";
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

std::string AlarmRecordJson(const AlarmRecord& alarm) { return Dump(Object(alarm)); }

std::string AlarmPageJson(const AlarmPage& page) {
  json list = json::array();
  for (const AlarmRecord& a : page.items) list.push_back(Object(a));
  json o = json::object();
  o["alarms"] = std::move(list);
  o["next_cursor"] = page.next ? json(std::to_string(page.next->first) + "_" +
                                      std::to_string(page.next->second))
                               : json(nullptr);
  return Dump(o);
}

std::string AlarmWithReadingsJson(const AlarmRecord& alarm, const std::vector<RingReading>& rows) {
  json o = Object(alarm);
  json list = json::array();
  for (const RingReading& r : rows) {
    list.push_back(json::array({r.unixMs, r.sensor, Rounded(r.power, 10), Rounded(r.swr, 100)}));
  }
  o["readings_list"] = std::move(list);
  return Dump(o);
}

std::string AlarmsCsvHeader() { return CsvHeaderCells(kColumns) + ",halts\r\n"; }

// The halts in one cell: "rigctld answered; wsjtx sent".
void AppendAlarmCsv(std::string& out, const AlarmRecord& a) {
  AppendCsvCells(out, kColumns, a);
  std::string halts;
  for (const HaltAttempt& h : a.halts) halts += (halts.empty() ? "" : "; ") + h.target + " " + h.outcome;
  out += "," + CsvText(halts) + "\r\n";
}

std::string AlarmText(const AlarmRecord& a) {
  std::string line = UtcText(a.unixMs) + "  sensor " + std::to_string(a.sensor) + "  SWR " +
                     Fixed(a.swr, 2) + " (peak " + Fixed(a.peakSwr, 2) + ", limit " +
                     Fixed(a.limit, 1) + ")  " + Fixed(a.power, 1) + " W";
  if (a.band) line += "  " + *a.band;
  line += a.acknowledgedUnixMs != 0 ? "  acknowledged over " + a.acknowledgedVia
                                    : "  not acknowledged";
  for (const HaltAttempt& h : a.halts) {
    line += "  halt " + h.target + ": " + h.outcome + " after " + std::to_string(h.delayMs) + " ms";
  }
  return line + "  " + std::to_string(a.readings) + " readings";
}

std::string AlarmReadingsCsvHeader() { return "unix_ms,time,sensor,power,swr\r\n"; }

void AppendAlarmReadingCsv(std::string& out, const RingReading& r) {
  char ms[8];
  std::snprintf(ms, sizeof ms, ".%03d", static_cast<int>(((r.unixMs % 1000) + 1000) % 1000));
  std::string time = UtcText(r.unixMs);
  time.insert(time.size() - 1, ms);
  out += std::to_string(r.unixMs) + "," + time + "," + std::to_string(r.sensor) + "," +
         Fixed(r.power, 1) + "," + Fixed(r.swr, 2) + "\r\n";
}

}  // namespace station
