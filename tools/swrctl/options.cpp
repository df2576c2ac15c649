#include "tools/swrctl/options.h"

#include <cstddef>

#include "device/actions.h"
#include "station/log/log_params.h"
#include "station/mqtt/mqtt_options.h"

namespace swrctl {
namespace {

constexpr long kMaxCount = 1000000000L;
constexpr long kMaxIntervalMs = 86400000L;  // one day

const char kCommands[] = "status, watch, select, power, swr, blocking, serve, log";

// A decimal number of watts: digits with at most one point, above 0, at
// most 10000.
bool ParseThreshold(const std::string& text, double& watts) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789.") != std::string::npos ||
      text.find('.') != text.rfind('.') || text.front() == '.' || text.back() == '.') {
    return false;
  }
  const double value = std::stod(text);
  if (!(value > 0 && value <= 10000)) return false;
  watts = value;
  return true;
}

// The station log's options; false when `name` is none of them.
bool SetLogOption(const std::string& name, const std::string& value, Options& o,
                  std::vector<std::string>& serveOptions, std::vector<std::string>& logOptions,
                  std::string& error) {
  if (name == "--log") {
    if (value.empty()) error = "option --log needs a value";
    o.logFile = value;
    return true;
  }
  if (name == "--since" || name == "--until") {
    logOptions.push_back(name);
    if (!swrctl::ParseLogTime(value, name == "--since" ? o.since : o.until)) {
      error = name + " must be unix milliseconds or an ISO 8601 time such as 2026-12-09 or "
              "2026-12-09T14:30:00Z, not " + Quoted(value);
    }
    return true;
  }
  if (name == "--tx-threshold") {
    if (!ParseThreshold(value, o.txThresholdW)) {
      error = "--tx-threshold must be watts above 0 up to 10000, such as 1 or 0.5, not " +
              Quoted(value);
    }
  } else if (name == "--tx-hang") {
    if (!ParseNumber(value, 60000, o.txHangMs) || o.txHangMs < 100) {
      error = "--tx-hang must be milliseconds from 100 to 60000, not " + Quoted(value);
    }
  } else if (name == "--keep-history") {
    if (!ParseNumber(value, 3650, o.keepHistoryDays) || o.keepHistoryDays < 1) {
      error = "--keep-history must be days from 1 to 3650, not " + Quoted(value);
    }
  } else if (name == "--keep-transmissions") {
    if (!ParseNumber(value, 36500, o.keepTransmissionDays) || o.keepTransmissionDays < 1) {
      error = "--keep-transmissions must be days from 1 to 36500, not " + Quoted(value);
    }
  } else {
    return false;
  }
  serveOptions.push_back(name);
  return true;
}

bool IsLogValueOption(const std::string& name) {
  return name == "--log" || name == "--since" || name == "--until" || name == "--tx-threshold" ||
         name == "--tx-hang" || name == "--keep-history" || name == "--keep-transmissions";
}


bool ParseSensor(const std::string& text, int& sensor, std::string& error) {
  if (text == "1" || text == "2" || text == "3") {
    sensor = text[0] - '0';
    return true;
  }
  error = "sensor must be 1, 2 or 3, not " + Quoted(text);
  return false;
}

bool ParseWatts(const std::string& text, int& watts, std::string& error) {
  long value = 0;
  if (ParseNumber(text, 100000, value) && text[0] != '0' &&
      swr::PowerRangeCode(static_cast<int>(value)) != 0) {
    watts = static_cast<int>(value);
    return true;
  }
  error = "maximum power must be " + AcceptedWatts() + " (watts), not " + Quoted(text);
  return false;
}

// "1".."4" or "1.0".."4.0" with exactly one decimal after the point.
bool ParseSwr(const std::string& text, int& tenths, std::string& error) {
  const bool digitFirst = !text.empty() && text[0] >= '0' && text[0] <= '9';
  const bool whole = text.size() == 1 && digitFirst;
  const bool oneDecimal = text.size() == 3 && digitFirst && text[1] == '.' &&
                          text[2] >= '0' && text[2] <= '9';
  if (whole || oneDecimal) {
    const int value = (text[0] - '0') * 10 + (oneDecimal ? text[2] - '0' : 0);
    if (value >= 10 && value <= 40) {
      tenths = value;
      return true;
    }
  }
  error = "SWR limit must be 1.0 to 4.0 in steps of 0.1, not " + Quoted(text);
  return false;
}

bool ParseFormat(const std::string& text, Format& format, std::string& error) {
  if (text == "text") format = Format::Text;
  else if (text == "csv") format = Format::Csv;
  else if (text == "json") format = Format::Json;
  else {
    error = "format must be text, csv or json, not " + Quoted(text);
    return false;
  }
  return true;
}

struct Command {
  const char* name;
  Action action;
  const char* operands;  // for the usage line
  std::size_t count;     // number of operands
};

const Command kCommandTable[] = {
    {"status", Action::Status, "", 0},
    {"watch", Action::Watch, "", 0},
    {"select", Action::Select, " SENSOR", 1},
    {"power", Action::Power, " SENSOR WATTS", 2},
    {"swr", Action::Swr, " SENSOR VALUE", 2},
    {"blocking", Action::Blocking, " on|off", 1},
    {"serve", Action::Serve, "", 0},
    {"log", Action::Log, "", 0},
};

}  // namespace

bool ParseNumber(const std::string& text, long max, long& out) {
  if (text.empty() || text.size() > 10) return false;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > max) return false;
  out = value;
  return true;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string AcceptedWatts() {
  std::string list;
  const std::size_t n = sizeof(swr::kPowerRanges) / sizeof(swr::kPowerRanges[0]);
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) list += i + 1 == n ? " or " : ", ";
    list += std::to_string(swr::kPowerRanges[i].watts);
  }
  return list;
}

ParseResult ParseArgs(const std::vector<std::string>& args) {
  ParseResult result;
  Options& o = result.options;
  std::string& error = result.error;

  // --help and --version win over everything else on the line.
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      o.action = Action::Help;
      return result;
    }
  }
  for (const std::string& arg : args) {
    if (arg == "--version" || arg == "-V") {
      o.action = Action::Version;
      return result;
    }
  }

  std::vector<std::string> positional;
  std::vector<std::string> watchOptions;  // given, to reject them elsewhere
  std::vector<std::string> serveOptions;  // the same for serve's
  std::vector<std::string> logOptions;    // and for log's
  bool logGiven = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--verbose" || arg == "-v") {
      o.verbose = true;
      continue;
    }
    if (arg == "--read-only") {
      o.readOnly = true;
      serveOptions.push_back(arg);
      continue;
    }
    if (arg == "--no-http") {
      o.mqtt.http = false;
      serveOptions.push_back(arg);
      continue;
    }
    if (arg == "--no-log") {
      o.noLog = true;
      serveOptions.push_back(arg);
      continue;
    }
    if (arg == "--follow") {
      o.follow = true;
      watchOptions.push_back(arg);
      continue;
    }
    // Options with a value: "--name value" or "--name=value".
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }
    if (name != "--format" && name != "--count" && name != "--interval" && name != "--listen" &&
        name != "--token-file" && !IsMqttValueOption(name) && !IsLogValueOption(name)) {
      error = "unknown option " + Quoted(arg) + " (see swrctl --help)";
      return result;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        error = "option " + name + " needs a value";
        return result;
      }
      value = args[++i];
    }
    if (name == "--listen" || name == "--token-file") {
      if (value.empty()) {
        error = "option " + name + " needs a value";
        return result;
      }
      (name == "--listen" ? o.listen : o.tokenFile) = value;
      serveOptions.push_back(name);
      continue;
    }
    if (IsLogValueOption(name)) {
      logGiven = logGiven || name == "--log";
      if (SetLogOption(name, value, o, serveOptions, logOptions, error) && !error.empty()) {
        return result;
      }
      continue;
    }
    if (IsMqttValueOption(name)) {
      if (!SetMqttOption(name, value, o.mqtt, error)) return result;
      serveOptions.push_back(name);
      continue;
    }
    if (name == "--format") {
      logOptions.push_back(name);
    } else {
      watchOptions.push_back(name);
    }
    if (name == "--format") {
      if (!ParseFormat(value, o.format, error)) return result;
    } else if (name == "--count") {
      if (!ParseNumber(value, kMaxCount, o.count) || o.count == 0) {
        error = "--count must be a whole number from 1 to 1000000000, not " + Quoted(value);
        return result;
      }
    } else if (!ParseNumber(value, kMaxIntervalMs, o.intervalMs)) {
      error = "--interval must be milliseconds from 0 to 86400000, not " + Quoted(value);
      return result;
    }
  }

  if (positional.empty()) {
    error = std::string("no command given; commands: ") + kCommands + " (see swrctl --help)";
    return result;
  }
  const Command* command = nullptr;
  for (const Command& c : kCommandTable) {
    if (positional[0] == c.name) command = &c;
  }
  if (command == nullptr) {
    error = "unknown command " + Quoted(positional[0]) + "; commands: " + kCommands;
    return result;
  }
  o.action = command->action;
  if (positional.size() != command->count + 1) {
    error = std::string("usage: swrctl ") + command->name + command->operands;
    return result;
  }
  if (o.action != Action::Watch && !watchOptions.empty()) {
    error = watchOptions[0] + " applies to watch only";
    return result;
  }
  // --format serves watch and log; --log serve and log.
  for (const std::string& name : logOptions) {
    if (o.action != Action::Log && (name != "--format" || o.action != Action::Watch)) {
      error = name + (name == "--format" ? " applies to watch and log only" : " applies to log only");
      return result;
    }
  }
  if (logGiven && o.action != Action::Serve && o.action != Action::Log) {
    error = "--log applies to serve and log only";
    return result;
  }
  if (logGiven && o.noLog) {
    error = "--log and --no-log exclude each other";
    return result;
  }
  if (o.action == Action::Log && o.since >= o.until) {
    error = "--since must be before --until";
    return result;
  }
  if (o.action != Action::Serve && !serveOptions.empty()) {
    error = serveOptions[0] + " applies to serve only";
    return result;
  }

  switch (o.action) {
    case Action::Select:
      ParseSensor(positional[1], o.sensor, error);
      break;
    case Action::Power:
      if (ParseSensor(positional[1], o.sensor, error)) ParseWatts(positional[2], o.watts, error);
      break;
    case Action::Swr:
      if (ParseSensor(positional[1], o.sensor, error)) ParseSwr(positional[2], o.swrTenths, error);
      break;
    case Action::Serve:
      error = CheckMqttOptions(o);
      break;
    case Action::Blocking:
      if (positional[1] == "on" || positional[1] == "off") {
        o.blockingOn = positional[1] == "on";
      } else {
        error = "blocking must be on or off, not " + Quoted(positional[1]);
      }
      break;
    default:
      break;
  }
  return result;
}

}  // namespace swrctl
