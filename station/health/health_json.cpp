// JSON of the rig, the alarm and the bands table with nlohmann-json.
#include "station/health/health_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "station/core/sensor_names.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

json Hundredths(double value) { return std::round(value * 100) / 100; }

template <typename T>
json Maybe(const std::optional<T>& value) {
  return value ? json(*value) : json(nullptr);
}

json Text(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

}  // namespace

std::string RigJson(const RigState& rig) {
  json o = json::object();
  o["connected"] = rig.connected;
  o["frequency_hz"] = Maybe(rig.frequencyHz);
  o["band"] = Text(rig.band);
  o["mode"] = Text(rig.mode);
  o["passband_hz"] = Maybe(rig.passbandHz);
  o["ptt"] = Maybe(rig.ptt);
  o["antenna"] = Maybe(rig.antenna);
  return o.dump();
}

std::string AlarmJson(const AlarmState& alarm, const AlarmSettings& settings) {
  const bool enabled = settings.limitTenths > 0;
  const bool any = alarm.unixMs != 0;
  json o = json::object();
  o["enabled"] = enabled;
  o["limit"] = enabled ? json(settings.limitTenths / 10.0) : json(nullptr);
  o["hold_ms"] = settings.holdMs;
  o["min_watts"] = settings.minWatts;
  o["raised"] = alarm.raised;
  o["unix_ms"] = any ? json(alarm.unixMs) : json(nullptr);
  o["sensor"] = any ? json(alarm.sensor) : json(nullptr);
  o["sensor_name"] = any ? Text(SensorName(alarm.sensor)) : json(nullptr);
  o["band"] = any ? Text(alarm.band) : json(nullptr);
  o["swr"] = any ? Hundredths(alarm.swr) : json(nullptr);
  o["peak_swr"] = any ? Hundredths(alarm.peakSwr) : json(nullptr);
  o["halt"] = settings.halt;
  o["frequency_hz"] = any ? Maybe(alarm.frequencyHz) : json(nullptr);
  o["power"] = any ? json(std::round(alarm.watts * 10) / 10) : json(nullptr);
  o["acknowledged_unix_ms"] =
      alarm.acknowledgedUnixMs != 0 ? json(alarm.acknowledgedUnixMs) : json(nullptr);
  o["acknowledged_via"] = Text(alarm.acknowledgedVia);
  o["halts"] = json::parse(HaltsJson(alarm.halts));
  return o.dump();
}

std::string HaltsJson(const std::vector<HaltAttempt>& halts) {
  json list = json::array();
  for (const HaltAttempt& h : halts) {
    json o = json::object();
    o["target"] = h.target;
    o["outcome"] = h.outcome;
    o["detail"] = Text(h.detail);
    o["unix_ms"] = h.unixMs;
    o["delay_ms"] = h.delayMs;
    list.push_back(std::move(o));
  }
  return list.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string BandsJson(const std::vector<BandHealth>& rows, const HealthSettings& settings) {
  json list = json::array();
  for (const BandHealth& r : rows) {
    json o = json::object();
    o["sensor"] = r.sensor;
    o["sensor_name"] = Text(SensorName(r.sensor));
    o["band"] = r.band;
    o["antenna"] = Maybe(r.antenna);
    o["transmissions"] = r.transmissions;
    o["baseline"] = r.baseline ? Hundredths(*r.baseline) : json(nullptr);
    o["latest"] = Hundredths(r.latest);
    o["latest_unix_ms"] = r.latestUnixMs;
    o["trend"] = r.trend ? Hundredths(*r.trend) : json(nullptr);
    o["above_in_row"] = r.aboveInRow;
    o["warning"] = r.warning;
    list.push_back(std::move(o));
  }
  json o = json::object();
  o["window"] = settings.window;
  o["margin"] = settings.margin;
  o["run"] = settings.run;
  o["min_watts"] = settings.minPowerWatts;
  o["rows"] = std::move(list);
  return o.dump();
}

const char* AlarmStatePayload(const AlarmState& alarm) { return alarm.raised ? "ON" : "OFF"; }

}  // namespace station
