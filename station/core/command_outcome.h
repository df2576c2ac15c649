// What became of a command, and how each front end says it: one row per
// outcome with the message, the HTTP status and error code (MQTT answers on
// PREFIX/result with the same {"error":code,"message":...}) and the exit
// status of the command line.
#pragma once

namespace station {

enum class CommandOutcome {
  Sent,
  BadRequest,    // the input made no command; the message is the parser's
  ReadOnly,      // the service was started with --read-only
  Busy,          // too many commands are waiting
  NotConnected,  // no controller on the bus
  OpenFailed,    // present, but it cannot be opened for writing
  WriteFailed,   // the write did not take all 9 bytes
};

struct OutcomeRow {
  CommandOutcome outcome;
  int httpStatus;
  const char* code;     // the API's error code; "" for Sent
  int exitStatus;
  const char* message;  // "" for Sent and BadRequest
};

const OutcomeRow& OutcomeOf(CommandOutcome outcome);

}  // namespace station
