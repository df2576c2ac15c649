// The command line of swrctl: what the user asked for, checked in full
// before anything touches the controller. The subcommands and options are
// tables in options.cpp; CLI11 reads the line against them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "station/core/command.h"
#include "station/core/serve_options.h"

namespace swrctl {
using namespace ::station;

enum class Action { Help, Version, Status, Watch, Command, Serve, Service, Log, Adif };

enum class Format { Text, Csv, Json, Adif };

struct Options {
  Action action = Action::Help;
  // Action::Command: select, power, swr or blocking with its operands
  Command command;
  // watch
  Format format = Format::Text;
  long count = 0;       // lines to print; 0 = until interrupted
  long intervalMs = 0;  // least time between two printed lines
  bool follow = false;  // wait for the controller instead of giving up
  // the commands: print the bytes written
  bool verbose = false;
  // serve: what the station service is given
  ServeOptions serve;
  // log: the transmissions that started in [since, until) (unix ms); the
  // file is serve.logFile
  std::int64_t since = INT64_MIN;
  std::int64_t until = INT64_MAX;
  // service: install, remove, start, stop, status or run (see service.h);
  // install and run take serve's options
  std::string serviceVerb;
  // log --qsos: the QSOs (by time on) instead of the transmissions
  bool qsos = false;
  // log --alarms: the SWR alarms (by time raised)
  bool alarms = false;
  // adif fill IN [-o OUT] [--replace]; the file is serve.logFile
  std::string adifIn;
  std::string adifOut;  // empty: standard output
  bool replace = false;
};

struct ParseResult {
  Options options;
  std::string error;  // one line without the newline; empty when the line is valid
  bool ok() const { return error.empty(); }
};

// args: the arguments after the program name.
ParseResult ParseArgs(const std::vector<std::string>& args);

}  // namespace swrctl
