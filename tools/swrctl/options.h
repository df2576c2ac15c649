// The command line of swrctl: what the user asked for, checked in full
// before anything touches the controller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace swrctl {

enum class Action { Help, Version, Status, Watch, Select, Power, Swr, Blocking, Serve, Log };

enum class Format { Text, Csv, Json };

// serve's MQTT side; see serve/mqtt_options.h.
struct MqttOptions {
  std::string url;      // the broker; empty = no MQTT
  std::string caFile;   // mqtts: the CA certificates to trust
  std::string prefix = "swrpanel";
  int ratePerSecond = 4;
  bool prefixGiven = false;
  bool rateGiven = false;
  bool http = true;     // false: --no-http, MQTT only
};

struct Options {
  Action action = Action::Help;
  // select, power, swr
  int sensor = 0;
  // power: one of the panel's ranges, in watts
  int watts = 0;
  // swr: the limit times 10, 10..40 (the slider position of the panel's dialog)
  int swrTenths = 0;
  // blocking
  bool blockingOn = false;
  // watch
  Format format = Format::Text;
  long count = 0;       // lines to print; 0 = until interrupted
  long intervalMs = 0;  // least time between two printed lines
  bool follow = false;  // wait for the controller instead of giving up
  // the commands: print the bytes written
  bool verbose = false;
  // serve
  std::string listen;     // HOST:PORT; empty = the default address
  std::string tokenFile;  // empty = a new token at each start
  bool readOnly = false;
  MqttOptions mqtt;
  // the station log: serve records to it, log lists it
  std::string logFile;            // empty = the default place
  bool noLog = false;             // serve: keep no log
  double txThresholdW = 1.0;      // serve: a transmission is above this
  long txHangMs = 1500;           // serve: ... and ends below it this long
  long keepHistoryDays = 30;      // serve: retention of the per-second history
  long keepTransmissionDays = 3650;
  // log: the transmissions that started in [since, until) (unix ms)
  std::int64_t since = INT64_MIN;
  std::int64_t until = INT64_MAX;
};

struct ParseResult {
  Options options;
  std::string error;  // one line without the newline; empty when the line is valid
  bool ok() const { return error.empty(); }
};

// args: the arguments after the program name.
ParseResult ParseArgs(const std::vector<std::string>& args);

// A plain decimal number: digits only, no sign, no blanks, at most `max`.
bool ParseNumber(const std::string& text, long max, long& out);

// The text in single quotes, as error messages quote what the user gave.
std::string Quoted(const std::string& text);

// "50, 120, 400, 600 or 1200", from the panel's table of power ranges.
std::string AcceptedWatts();

}  // namespace swrctl
