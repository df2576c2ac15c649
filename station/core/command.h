// One command for the controller (select, power range, SWR limit,
// blocking), checked from the words of its operands whichever front end it
// came from, and sent through one function. The bytes come from the
// controller's command builders (device/commands.h), as the panel's do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "device/commands.h"
#include "device/reports.h"
#include "station/core/command_outcome.h"

namespace swrctl {

enum class CommandKind { Select, Power, Swr, Blocking };

struct Command {
  CommandKind kind = CommandKind::Select;
  int sensor = 0;     // select, power, swr: 1..3
  int watts = 0;      // power: one of the panel's ranges
  int swrTenths = 0;  // swr: the limit times 10, 10..40 (the panel's slider position)
  bool on = false;    // blocking
};

// A command checked in full, or why not.
struct CommandRequest {
  Command command;
  std::string error;  // one sentence for the user; empty when valid
  bool ok() const { return error.empty(); }
};

// The commands as the command line and the JSON name them.
struct CommandSpec {
  const char* name;       // "power"
  CommandKind kind;
  std::size_t count;      // number of operands
  const char* fields[2];  // their names in the JSON command, in operand order
};
extern const CommandSpec kCommandSpecs[4];

// The row of `name`; nullptr for a name that is no command.
const CommandSpec* FindCommand(const std::string& name);
const char* CommandName(CommandKind kind);

// The operands as words ("2", "600"; "on"), as many as the command takes:
// each checked in order, the first wrong one named as given.
CommandRequest CommandFromOperands(CommandKind kind, const std::vector<std::string>& operands);

// The 9-byte report of that command, the one the panel writes for it.
swr::CommandReport ReportFor(const Command& command);

// The 9 bytes as "00 08 01 00 00 00 00 00 00".
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

// Opens the controller, writes the command's report, closes it again: a
// handle of its own, so the device loop's read goes on undisturbed.
// Sent, NotConnected, OpenFailed or WriteFailed.
CommandOutcome SendStationCommand(const Command& command);

}  // namespace swrctl
