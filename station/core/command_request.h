// One command for the controller as a JSON object, checked in full, and
// the write that puts it on the controller. The bytes are those of the
// panel's action (through swrctl's CommandFor / ReportFor).
//
//   {"command":"select","sensor":2}
//   {"command":"power","sensor":2,"watts":600}
//   {"command":"swr","sensor":1,"limit":"2.5"}      (or 2.5)
//   {"command":"blocking","on":true}
#pragma once

#include <string>

#include "device/reports.h"
#include "tools/swrctl/options.h"

namespace swrctl {

struct CommandRequest {
  Options options;     // action Select, Power, Swr or Blocking when valid
  std::string error;   // one sentence for the user; empty when valid
  bool ok() const { return error.empty(); }
};

CommandRequest ParseCommandRequest(const std::string& body);

// The name of the command as the JSON spells it: "select", "power", ...
const char* CommandName(Action action);

enum class SendResult {
  Sent,
  NotConnected,  // no controller on the bus
  OpenFailed,    // present, but it cannot be opened for writing
  WriteFailed,
};

// Opens the controller, writes the report, closes it again: a handle of its
// own, so the device loop's read goes on undisturbed.
SendResult SendReport(const swr::CommandReport& report);

}  // namespace swrctl
