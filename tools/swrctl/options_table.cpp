// The tables of swrctl's command line and the help made from them; see
// options_table.h.
#include "tools/swrctl/options_table.h"

#include <cstdint>
#include <sstream>
#include <string>

#include "station/core/plain_text.h"
#include "station/core/sensor_names.h"
#include "station/health/health_options.h"
#include "station/log/log_params.h"
#include "station/mqtt/mqtt_options.h"
#include "station/n1mm/n1mm_options.h"
#include "station/rig/rig_options.h"
#include "station/wsjtx/wsjtx_options.h"
#include "tools/swrctl/swrctl.h"

namespace swrctl {
using namespace ::station;
namespace {

constexpr long kMaxCount = 1000000000L;
constexpr long kMaxIntervalMs = 86400000L;  // one day

bool NonEmpty(const char* name, const std::string& value, std::string& to, std::string& error) {
  if (value.empty()) {
    error = std::string("option ") + name + " needs a value";
    return false;
  }
  to = value;
  return true;
}

bool StoreFormat(const std::string& v, Options& o, std::string& error) {
  if (v == "text") o.format = Format::Text;
  else if (v == "csv") o.format = Format::Csv;
  else if (v == "json") o.format = Format::Json;
  else if (v == "adif") o.format = Format::Adif;
  else {
    error = "format must be text, csv, json or adif, not " + Quoted(v);
    return false;
  }
  return true;
}

bool StoreCount(const std::string& v, Options& o, std::string& error) {
  if (ParseNumber(v, kMaxCount, o.count) && o.count != 0) return true;
  error = "--count must be a whole number from 1 to 1000000000, not " + Quoted(v);
  return false;
}

bool StoreInterval(const std::string& v, Options& o, std::string& error) {
  if (ParseNumber(v, kMaxIntervalMs, o.intervalMs)) return true;
  error = "--interval must be milliseconds from 0 to 86400000, not " + Quoted(v);
  return false;
}

// A decimal number of watts: digits with at most one point, above 0, at
// most 10000.
bool StoreThreshold(const std::string& v, Options& o, std::string& error) {
  const bool digits = !v.empty() && v.size() <= 12 &&
                      v.find_first_not_of("0123456789.") == std::string::npos &&
                      v.find('.') == v.rfind('.') && v.front() != '.' && v.back() != '.';
  const double watts = digits ? std::stod(v) : 0;
  if (watts > 0 && watts <= 10000) {
    o.serve.txThresholdW = watts;
    return true;
  }
  error = "--tx-threshold must be watts above 0 up to 10000, such as 1 or 0.5, not " + Quoted(v);
  return false;
}

// A whole number of `unit` from `least` to `most` for option `name`.
bool StoreRange(const char* name, const char* unit, long least, long most, const std::string& v,
                long& to, std::string& error) {
  if (ParseNumber(v, most, to) && to >= least) return true;
  error = std::string(name) + " must be " + unit + " from " + std::to_string(least) + " to " +
          std::to_string(most) + ", not " + Quoted(v);
  return false;
}

bool StoreLogTime(const char* name, const std::string& v, std::int64_t& to, std::string& error) {
  if (ParseLogTime(v, to)) return true;
  error = std::string(name) +
          " must be unix milliseconds or an ISO 8601 time such as 2026-12-09 or "
          "2026-12-09T14:30:00Z, not " + Quoted(v);
  return false;
}

bool StoreRig(const std::string& v, Options& o, std::string& error) {
  RigAddress address;
  if (!ParseRigAddress(v, address, error)) return false;
  o.serve.rig = v;
  return true;
}

// Kept as the whole address, defaults filled in, for the service's line.
bool StoreWsjtx(const std::string& v, Options& o, std::string& error) {
  WsjtxAddress address;
  if (!ParseWsjtxAddress(v, address, error)) return false;
  o.serve.wsjtx = WsjtxAddressText(address);
  return true;
}

bool StoreN1mm(const std::string& v, Options& o, std::string& error) {
  UdpAddress address;
  if (!ParseN1mmAddress(v, address, error)) return false;
  o.serve.n1mm = UdpAddressText(address);
  return true;
}

// Repeatable, once per sensor.
bool StoreSensorName(const std::string& v, Options& o, std::string& error) {
  int sensor = 0;
  std::string name;
  if (!ParseSensorName(v, sensor, name, error)) return false;
  std::string& to = o.serve.sensorNames[static_cast<std::size_t>(sensor - 1)];
  if (!to.empty()) {
    error = "--sensor-name " + std::to_string(sensor) + " is given twice";
    return false;
  }
  to = name;
  return true;
}

bool StoreAlarmPower(const std::string& v, Options& o, std::string& error) {
  double watts = 0;
  if (!ParseSwrAlarmPower(v, watts, error)) return false;
  o.serve.swrAlarmWatts = static_cast<int>(watts);
  return true;
}

bool StoreHealthMargin(const std::string& v, Options& o, std::string& error) {
  double swr = 0;
  if (!ParseHealthMargin(v, swr, error)) return false;
  o.serve.healthMarginTenths = static_cast<int>(swr * 10 + 0.5);
  return true;
}

// The help's layout: two blanks, the left column, the text from column 25.
std::string HelpLine(const std::string& left, const std::string& text) {
  std::string line = "  " + left;
  line.append(left.size() < 23 ? 23 - left.size() : 1, ' ');
  std::istringstream lines(text);
  bool first = true;
  for (std::string part; std::getline(lines, part); first = false) {
    line += (first ? "" : std::string(25, ' ')) + part + "\n";
  }
  return line;
}

}  // namespace

const SubcommandRow kSubcommands[10] = {
    {"status", Action::Status, "", 0, "whether the controller is connected, and its device path"},
    {"watch", Action::Watch, "", 0,
     "print one line per report: time, sensor, forward,\nreflected, SWR, power"},
    {"select", Action::Command, " SENSOR", 1, "make sensor 1, 2 or 3 the active one"},
    {"power", Action::Command, " SENSOR WATTS", 2, "set a sensor's power range: {watts}"},
    {"swr", Action::Command, " SENSOR VALUE", 2,
     "set a sensor's SWR limit: 1.0 to 4.0 in steps of 0.1"},
    {"blocking", Action::Command, " on|off", 1, "switch the transmit blocking on or off"},
    {"serve", Action::Serve, "", 0,
     "keep the controller open and serve a live web page and\n"
     "a JSON API (default address 127.0.0.1:8537)"},
    {"log", Action::Log, "", 0, "list the transmissions of the station log, oldest first"},
    {"adif", Action::Adif, " fill IN.adi", 2,
     "write a logger's ADIF file with the power and SWR the\n"
     "meter measured for each QSO (TX_PWR and our APP_ fields)"},
    {"service", Action::Service, " VERB", 1,
     "Windows: serve as a service that starts with Windows:\n"
     "install [serve's options], start, stop, status, remove"},
};

#define SWRCTL_FLAG(field) [](const std::string&, Options& o, std::string&) { return field = true; }
#define SWRCTL_MQTT(name) \
  [](const std::string& v, Options& o, std::string& e) { return SetMqttOption(name, v, o.serve.mqtt, e); }

const OptionRow kOptions[38] = {
    {"--format", "watch log", true, StoreFormat, "--format text|csv|json",
     "output format (default text; json: one object per line\nwith the raw 9 bytes; also for log;\nadif for log --qsos)"},
    {"--count", "watch", true, StoreCount, "--count N", "stop after N lines"},
    {"--interval", "watch", true, StoreInterval, "--interval MS",
     "at least MS milliseconds between two lines"},
    {"--follow", "watch", false, SWRCTL_FLAG(o.follow), "--follow",
     "wait for the controller when it is missing or unplugged"},
    {"--listen", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return NonEmpty("--listen", v, o.serve.listen, e);
     },
     "--listen HOST:PORT",
     "the address to listen on; beyond loopback every\nrequest needs the token"},
    {"--token-file", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return NonEmpty("--token-file", v, o.serve.tokenFile, e);
     },
     "--token-file FILE",
     "take the access token from FILE (made when missing)\ninstead of a new one at each start"},
    {"--read-only", "serve service", false, SWRCTL_FLAG(o.serve.readOnly), "--read-only",
     "refuse every command"},
    {"--mqtt", "serve service", true, SWRCTL_MQTT("--mqtt"), "--mqtt URL",
     "also publish to an MQTT broker:\n"
     "mqtt://[user[:password]@]host[:port] or mqtts://...\n"
     "(TLS, not in the Windows builds);\n"
     "the password may come from SWRCTL_MQTT_PASSWORD"},
    {"--mqtt-ca", "serve service", true, SWRCTL_MQTT("--mqtt-ca"), "--mqtt-ca FILE",
     "mqtts: the CA certificates to trust (PEM)"},
    {"--mqtt-prefix", "serve service", true, SWRCTL_MQTT("--mqtt-prefix"), "--mqtt-prefix TOPIC",
     "the topics' prefix (default swrpanel)"},
    {"--mqtt-rate", "serve service", true, SWRCTL_MQTT("--mqtt-rate"), "--mqtt-rate N",
     "readings per second to the broker, 1 to 25 (default 4)"},
    {"--no-http", "serve service", false,
     [](const std::string&, Options& o, std::string&) {
       o.serve.http = false;
       return true;
     },
     "--no-http", "MQTT only, no web page or HTTP API"},
    {"--log", "serve log service adif", true,
     [](const std::string& v, Options& o, std::string& e) {
       return NonEmpty("--log", v, o.serve.logFile, e);
     },
     "--log FILE", "the station log (SQLite; default in the state directory)"},
    {"--no-log", "serve service", false, SWRCTL_FLAG(o.serve.noLog), "--no-log",
     "keep no station log"},
    {"--tx-threshold", "serve service", true, StoreThreshold, "--tx-threshold WATTS",
     "a transmission is above this net power (default 1)"},
    {"--tx-hang", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return StoreRange("--tx-hang", "milliseconds", 100, 60000, v, o.serve.txHangMs, e);
     },
     "--tx-hang MS", "and ends after this long below it (default 1500)"},
    {"--keep-history", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return StoreRange("--keep-history", "days", 1, 3650, v, o.serve.keepHistoryDays, e);
     },
     "--keep-history DAYS", "keep the per-second history this long (default 30)"},
    {"--keep-transmissions", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return StoreRange("--keep-transmissions", "days", 1, 36500, v, o.serve.keepTransmissionDays,
                         e);
     },
     "--keep-transmissions DAYS", "keep transmissions this long (default 3650)"},
    {"--rig", "serve service", true, StoreRig, "--rig HOST[:PORT]",
     "the transceiver's frequency, mode and PTT from rigctld\n(default port 4532)"},
    {"--wsjtx", "serve service", true, StoreWsjtx, "--wsjtx [ADDR][:PORT]",
     "... or from WSJT-X/JTDX's UDP messages (default\n127.0.0.1:2237; a multicast group is joined on\n"
     "loopback); with --rig, the rig's tuning and either's PTT;\n"
     "the QSOs they log go into the station log, measured",
     true},
    {"--n1mm", "serve service", true, StoreN1mm, "--n1mm [ADDR][:PORT]",
     "... or from N1MM Logger+'s UDP broadcasts (default\n127.0.0.1:12060, the port shared); with several,\n"
     "the tuning of --rig, else --n1mm, else --wsjtx,\nand PTT when any says so",
     true},
    {"--sensor-name", "serve service log", true, StoreSensorName, "--sensor-name N=TEXT",
     "a name for sensor N (1 to 3; up to 32 characters),\nshown beside its number; repeat per sensor"},
    {"--swr-alarm", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return ParseSwrAlarmLimit(v, o.serve.swrAlarmTenths, e);
     },
     "--swr-alarm LIMIT", "raise a latching alarm above this SWR, 1.0 to 4.0\n(off by default)"},
    {"--swr-alarm-hold", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return ParseSwrAlarmHold(v, o.serve.swrAlarmHoldMs, e);
     },
     "--swr-alarm-hold SEC", "... held this long in seconds, 0.1 to 10 (default 1)"},
    {"--swr-alarm-power", "serve service", true, StoreAlarmPower, "--swr-alarm-power W",
     "... at this many watts or more, 1 to 2000 (default 5)"},
    {"--swr-alarm-halt", "serve service", false, SWRCTL_FLAG(o.serve.swrAlarmHalt),
     "--swr-alarm-halt",
     "when the alarm rises, ask rigctld (--rig) and WSJT-X\n(--wsjtx) to stop transmitting; it cannot stop a\n"
     "transmitter that neither keys (a key, a footswitch,\nanother program); never sent to the controller"},
    {"--alarm-window", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return ParseAlarmWindow(v, o.serve.alarmBeforeSeconds, o.serve.alarmAfterSeconds, e);
     },
     "--alarm-window B,A", "record each alarm's readings from B seconds before\nto A after, 1 to 60 (default 10,5)"},
    {"--health-window", "serve service", true,
     [](const std::string& v, Options& o, std::string& e) {
       return ParseHealthWindow(v, o.serve.healthWindow, e);
     },
     "--health-window N", "transmissions per sensor and band for the baseline\n(3 to 1000, default 20)"},
    {"--health-margin", "serve service", true, StoreHealthMargin, "--health-margin SWR",
     "above the baseline by this much warns, 0.1 to 3.0\n(default 0.3)"},
    {"--since", "log", true,
     [](const std::string& v, Options& o, std::string& e) { return StoreLogTime("--since", v, o.since, e); },
     "--since TIME", "transmissions that started at TIME or later\n(unix ms or ISO 8601: 2026-12-09, 2026-12-09T14:30Z)"},
    {"--until", "log", true,
     [](const std::string& v, Options& o, std::string& e) { return StoreLogTime("--until", v, o.until, e); },
     "--until TIME", "... and before TIME"},
    {"--qsos", "log", false, SWRCTL_FLAG(o.qsos), "--qsos",
     "the QSOs (by time on) with what the meter measured"},
    {"--alarms", "log", false, SWRCTL_FLAG(o.alarms), "--alarms",
     "the SWR alarms (by time raised) with their halts"},
    {"-o,--output", "adif", true,
     [](const std::string& v, Options& o, std::string& e) { return NonEmpty("-o", v, o.adifOut, e); },
     "-o, --output OUT.adi", "write the filled file there (default: standard output);\nnever IN itself"},
    {"--replace", "adif", false, SWRCTL_FLAG(o.replace), "--replace",
     "write TX_PWR over a number too (default: only where\nit is empty or not a number)"},
    {"-v,--verbose", "", false, SWRCTL_FLAG(o.verbose), "-v, --verbose",
     "print the 9 bytes a command writes"},
    {"-h,--help", "", false, nullptr, "-h, --help", "show this help"},
    {"-V,--version", "", false, nullptr, "-V, --version", "show the version"},
};

#undef SWRCTL_FLAG
#undef SWRCTL_MQTT

bool HasWord(const std::string& list, const std::string& word, char separator) {
  std::istringstream words(list);
  for (std::string w; std::getline(words, w, separator);) {
    if (w == word) return true;
  }
  return false;
}

const OptionRow* FindOption(const std::string& name) {
  for (const OptionRow& row : kOptions) {
    if (HasWord(row.names, name, ',')) return &row;
  }
  return nullptr;
}

std::string CommandList() {
  std::string list;
  for (const SubcommandRow& row : kSubcommands) {
    list += std::string(list.empty() ? "" : ", ") + row.name;
  }
  return list;
}

std::string HelpText() {
  std::string text =
      "Usage: swrctl COMMAND [OPTIONS]\n"
      "Reads and sets the USB SWR and power meter controller.\n"
      "\n"
      "Commands:\n";
  for (const SubcommandRow& row : kSubcommands) {
    std::string help = row.help;
    const std::size_t watts = help.find("{watts}");
    if (watts != std::string::npos) help.replace(watts, 7, AcceptedWatts());
    text += HelpLine(row.name + std::string(row.operands), help);
  }
  // A section per subcommand that has options of its own, then the rest.
  for (const SubcommandRow& sub : kSubcommands) {
    std::string section;
    for (const OptionRow& row : kOptions) {
      const std::string scope = row.scope;
      if (scope.substr(0, scope.find(' ')) == sub.name) section += HelpLine(row.shown, row.help);
    }
    if (!section.empty()) text += "\nOptions of " + std::string(sub.name) + ":\n" + section;
  }
  text += "\nOther options:\n";
  for (const OptionRow& row : kOptions) {
    if (*row.scope == '\0') text += HelpLine(row.shown, row.help);
  }
  return text +
         "\n"
         "Exit status: 0 done, 1 the controller could not be opened or written,\n"
         "2 no controller (or it was unplugged during watch), 64 wrong arguments.\n";
}

}  // namespace swrctl
