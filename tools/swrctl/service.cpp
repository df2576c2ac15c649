// What `swrctl service` does the same on every platform: its verbs and the
// command line that install hands to the service.
#include "tools/swrctl/service.h"

#include <cstddef>
#include <cstdio>

namespace swrctl {
using namespace ::station;
namespace {

// Tenths as the options take them: "2.5".
std::string TenthsText(int tenths) {
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

// Watts as --tx-threshold takes them: plain decimals, no exponent, no
// trailing zeros ("0.5", "10000"). The option takes at most 12 characters, so
// ten decimals keep every value it accepts.
std::string WattsText(double watts) {
  char text[32];
  std::snprintf(text, sizeof text, "%.10f", watts);
  std::string out = text;
  out.erase(out.find_last_not_of('0') + 1);
  if (out.back() == '.') out.pop_back();
  return out;
}

}  // namespace

bool IsServiceVerb(const std::string& verb) {
  for (const char* known : {"install", "remove", "start", "stop", "status", "run"}) {
    if (verb == known) return true;
  }
  return false;
}

bool TakesServeOptions(const std::string& verb) { return verb == "install" || verb == "run"; }

std::vector<std::string> ServeArguments(const Options& options) {
  std::vector<std::string> args;
  const auto add = [&args](const char* name, const std::string& value) {
    if (!value.empty()) args.insert(args.end(), {name, value});
  };
  const ServeOptions& serve = options.serve;
  add("--listen", serve.listen);
  add("--token-file", serve.tokenFile);
  if (serve.readOnly) args.push_back("--read-only");
  const MqttOptions& mqtt = serve.mqtt;
  add("--mqtt", mqtt.url);
  add("--mqtt-ca", mqtt.caFile);
  if (mqtt.prefixGiven) add("--mqtt-prefix", mqtt.prefix);
  if (mqtt.rateGiven) add("--mqtt-rate", std::to_string(mqtt.ratePerSecond));
  if (!serve.http) args.push_back("--no-http");
  const ServeOptions defaults;
  add("--log", serve.logFile);
  if (serve.noLog) args.push_back("--no-log");
  if (serve.txThresholdW != defaults.txThresholdW) add("--tx-threshold", WattsText(serve.txThresholdW));
  const auto number = [&](const char* name, auto value, auto fallback) {
    if (value != fallback) add(name, std::to_string(value));
  };
  number("--tx-hang", serve.txHangMs, defaults.txHangMs);
  number("--keep-history", serve.keepHistoryDays, defaults.keepHistoryDays);
  number("--keep-transmissions", serve.keepTransmissionDays, defaults.keepTransmissionDays);
  add("--rig", serve.rig);
  add("--wsjtx", serve.wsjtx);
  add("--n1mm", serve.n1mm);
  for (std::size_t i = 0; i < serve.sensorNames.size(); ++i) {
    if (!serve.sensorNames[i].empty()) add("--sensor-name", std::to_string(i + 1) + "=" + serve.sensorNames[i]);
  }
  if (serve.swrAlarmTenths != 0) add("--swr-alarm", TenthsText(serve.swrAlarmTenths));
  if (serve.swrAlarmHoldMs != defaults.swrAlarmHoldMs) {
    add("--swr-alarm-hold", TenthsText(serve.swrAlarmHoldMs / 100));
  }
  number("--swr-alarm-power", serve.swrAlarmWatts, defaults.swrAlarmWatts);
  if (serve.swrAlarmHalt) args.push_back("--swr-alarm-halt");
  if (serve.alarmBeforeSeconds != defaults.alarmBeforeSeconds ||
      serve.alarmAfterSeconds != defaults.alarmAfterSeconds) {
    add("--alarm-window", std::to_string(serve.alarmBeforeSeconds) + "," +
                              std::to_string(serve.alarmAfterSeconds));
  }
  number("--health-window", serve.healthWindow, defaults.healthWindow);
  if (serve.healthMarginTenths != defaults.healthMarginTenths) {
    add("--health-margin", TenthsText(serve.healthMarginTenths));
  }
  return args;
}

std::string WindowsQuoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  // Backslashes count only before a quote: there they are doubled, and the
  // quote itself is escaped.
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + '"';
}

}  // namespace swrctl
