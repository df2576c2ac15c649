// The JSON texts of the API; see api_json.h.
#include "station/core/api_json.h"

#include <nlohmann/json.hpp>

#include "station/core/command.h"
#include "station/core/sensor_names.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Number(const std::optional<double>& value) { return value ? json(*value) : json(nullptr); }

json ReadingObject(const Reading& r) {
  json o = json::object();
  o["time"] = r.time;
  o["unix_ms"] = r.unixMs;
  const swr::DisplayTexts texts = TextsOf(r);
  o["sensor"] = r.sensor != 0 ? json(r.sensor) : json(nullptr);
  o["sensor_name"] = SensorName(r.sensor).empty() ? json(nullptr) : json(SensorName(r.sensor));
  o["forward"] = r.values.forward;
  o["reflected"] = r.values.reflected;
  o["swr"] = texts.swr;
  o["power"] = texts.power;
  o["swr_value"] = Number(r.swr);
  o["power_value"] = Number(r.power);
  o["raw"] = r.raw;
  return o;
}

}  // namespace

std::string ReadingJson(const Reading& reading) { return ReadingObject(reading).dump(); }

std::string StatusJson(const Snapshot& s, std::int64_t nowSteadyMs, bool readOnly,
                       const LogState* log) {
  json o = json::object();
  o["connected"] = s.link.connected;
  o["link_changes"] = s.link.changes;
  const bool any = s.reading.sequence != 0;
  const std::int64_t age = nowSteadyMs - s.reading.steadyMs;
  o["live"] = IsLive(s, nowSteadyMs);
  o["age_ms"] = any ? json(age) : json(nullptr);
  o["reading"] = any ? ReadingObject(s.reading) : json(nullptr);
  o["peak_power"] = {{"watts", Number(s.peakPower)}, {"seconds", LiveState::kPeakMs / 1000}};
  o["read_only"] = readOnly;
  json names = json::array();
  for (int n = 1; n <= kSensorCount; ++n) {
    names.push_back(SensorName(n).empty() ? json(nullptr) : json(SensorName(n)));
  }
  o["sensor_names"] = std::move(names);
  if (log != nullptr) {
    o["log"] = {{"file", log->file},
                {"recording", log->recording},
                {"seconds_lost", log->secondsLost},
                {"error", log->error.empty() ? json(nullptr) : json(log->error)}};
  } else {
    o["log"] = nullptr;
  }
  return o.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string LinkJson(const Link& link) {
  return json{{"connected", link.connected}, {"changes", link.changes}}.dump();
}

std::string HistoryJson(const std::vector<HistoryPoint>& points, int seconds) {
  json list = json::array();
  for (const HistoryPoint& p : points) list.push_back({p.unixMs, Number(p.power), Number(p.swr)});
  return json{{"seconds", seconds}, {"slot_ms", LiveState::kHistorySlotMs}, {"points", list}}
      .dump();
}

std::string ErrorJson(const std::string& code, const std::string& message) {
  // Messages may quote the user's input: dump escapes it, and invalid UTF-8
  // is replaced rather than refused.
  return json{{"error", code}, {"message", message}}.dump(-1, ' ', false,
                                                          json::error_handler_t::replace);
}

std::string SentJson(const char* command, const swr::CommandReport& report) {
  return json{{"ok", true},
              {"command", command},
              {"sent", HexBytes(report.data(), report.size())},
              {"bytes", report}}
      .dump();
}

}  // namespace station
