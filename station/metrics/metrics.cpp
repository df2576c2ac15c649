// The exposition of /metrics, written family by family: HELP and TYPE
// lines always, samples only where there is a value to show.
#include "station/metrics/metrics.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "station/core/sensor_names.h"

namespace station {
namespace {

using Labels = std::vector<std::pair<const char*, std::string>>;

// Label values with backslash, quote and line feed escaped, as the format
// asks.
std::string Escaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out;
}

// The shortest text that reads back as the same double; never the C
// library's locale-dependent printf.
std::string Number(double value) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

class Exposition {
 public:
  // Every family is announced, also while it has no sample (a reading
  // that is not live).
  void Family(const char* name, const char* type, const char* help) {
    name_ = name;
    text_ += std::string("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
  }
  void Sample(double value, const Labels& labels = {}) {
    text_ += name_;
    if (!labels.empty()) {
      text_ += '{';
      for (std::size_t i = 0; i < labels.size(); ++i) {
        text_ += (i ? ",": "") + std::string(labels[i].first) + "=\"" + Escaped(labels[i].second) + '"';
      }
      text_ += '}';
    }
    text_ += ' ' + Number(value) + '\n';
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string name_;
  std::string text_;
};

// A sensor's labels: its number ("" for none) and, when it has one, its
// name; then `more`.
Labels SensorLabels(int sensor, Labels more = {}) {
  Labels labels = {{"sensor", sensor != 0 ? std::to_string(sensor) : ""}};
  if (!SensorName(sensor).empty()) labels.push_back({"sensor_name", SensorName(sensor)});
  labels.insert(labels.end(), more.begin(), more.end());
  return labels;
}

void LiveReading(Exposition& out, const MetricsInput& in) {
  const Snapshot& s = in.snapshot;
  const bool live = IsLive(s, in.nowSteadyMs);
  const Reading& r = s.reading;
  const Labels sensor = SensorLabels(r.sensor);
  out.Family("swrpanel_reading_live", "gauge",
             "1 while readings come (connected, the newest under a second old)");
  out.Sample(live ? 1 : 0);
  out.Family("swrpanel_power_watts", "gauge", "Net power of the active sensor, while live");
  if (live && r.power) out.Sample(*r.power, sensor);
  out.Family("swrpanel_swr", "gauge", "SWR of the active sensor, while live");
  if (live && r.swr) out.Sample(*r.swr, sensor);
  out.Family("swrpanel_forward_level", "gauge", "Forward level (0-255) of the active sensor, while live");
  if (live) out.Sample(r.values.forward, sensor);
  out.Family("swrpanel_reflected_level", "gauge",
             "Reflected level (0-255) of the active sensor, while live");
  if (live) out.Sample(r.values.reflected, sensor);
  out.Family("swrpanel_peak_power_watts", "gauge", "Highest power of the last 2 seconds, while live");
  if (live && s.peakPower) out.Sample(*s.peakPower);
}

void Counters(Exposition& out, const MetricsInput& in) {
  const Snapshot& s = in.snapshot;
  out.Family("swrpanel_readings_total", "counter", "Readings received from the controller");
  out.Sample(static_cast<double>(s.reading.sequence));
  out.Family("swrpanel_link_changes_total", "counter", "Times the controller came or went");
  out.Sample(static_cast<double>(s.link.changes));
  out.Family("swrpanel_energy_joules_total", "counter", "Energy put out, per sensor");
  for (int i = 0; i < 3; ++i) out.Sample(s.energyJoules[i], SensorLabels(i + 1));
  out.Family("swrpanel_transmissions_total", "counter", "Transmissions ended, per sensor and band");
  for (const OnAirCount& c : in.onAir) {
    out.Sample(static_cast<double>(c.transmissions), SensorLabels(c.sensor, {{"band", c.band}}));
  }
  out.Family("swrpanel_transmit_seconds_total", "counter", "Time on the air, per sensor and band");
  for (const OnAirCount& c : in.onAir) {
    out.Sample(c.seconds, SensorLabels(c.sensor, {{"band", c.band}}));
  }
  out.Family("swrpanel_qsos_total", "counter", "QSOs stored in the station log, per band");
  for (const QsoBandCount& c : in.qsos) out.Sample(static_cast<double>(c.qsos), {{"band", c.band}});
}

void Station(Exposition& out, const MetricsInput& in) {
  if (in.logLostSeconds) {
    out.Family("swrpanel_log_lost_seconds_total", "counter",
               "Seconds of readings the station log could not record");
    out.Sample(*in.logLostSeconds);
  }
  if (in.alarmRaised) {
    out.Family("swrpanel_swr_alarm", "gauge", "1 while the SWR alarm is raised and not acknowledged");
    out.Sample(*in.alarmRaised ? 1 : 0);
  }
  out.Family("swrpanel_antenna_warning", "gauge",
             "1 per sensor and band whose recent transmissions lie above the baseline SWR");
  for (const AntennaWarning& w : in.warnings) {
    Labels labels = {{"band", w.band}};
    if (w.antenna) labels.push_back({"antenna", std::to_string(*w.antenna)});
    out.Sample(1, SensorLabels(w.sensor, labels));
  }
  if (in.rigConnected) {
    out.Family("swrpanel_rig_connected", "gauge", "1 while the transceiver's rigctld answers");
    out.Sample(*in.rigConnected ? 1 : 0);
    out.Family("swrpanel_rig_frequency_hertz", "gauge", "The transceiver's frequency");
    if (*in.rigConnected && in.rigFrequencyHz) out.Sample(*in.rigFrequencyHz);
  }
}

}  // namespace

std::string RenderMetrics(const MetricsInput& in) {
  Exposition out;
  out.Family("swrpanel_build_info", "gauge", "The version of swrctl serving these figures");
  out.Sample(1, {{"version", in.version}});
  out.Family("swrpanel_controller_connected", "gauge", "1 while the controller is connected");
  out.Sample(in.snapshot.link.connected ? 1 : 0);
  LiveReading(out, in);
  Counters(out, in);
  Station(out, in);
  return out.Take();
}

}  // namespace station
