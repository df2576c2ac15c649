// One command for the controller (select, power range, SWR limit,
// blocking): each front end (the command line's words, the JSON command,
// an MQTT set topic) reads its operands into values, and one check per kind
// of operand, shared by all of them, accepts or refuses each. Sent through
// one function; the bytes come from the controller's command builders
// (device/commands.h), as the panel's do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/commands.h"
#include "device/reports.h"
#include "station/core/command_outcome.h"

namespace station {

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

// One operand as a front end read it: the number it stands for when it has
// the form the command takes (a sensor or a wattage as itself, the SWR
// limit in tenths, blocking as 1 or 0), and the text a refusal quotes.
struct Operand {
  std::optional<std::int64_t> number;
  std::string given;
};

// The command from its operands in order (missing ones count as empty),
// each checked by the one check of its kind that every front end shares:
// the first wrong one refuses it, named as given.
CommandRequest CommandFromOperands(CommandKind kind, const std::vector<Operand>& operands);

// An SWR limit as the command line spells it, which the JSON's quoted limit
// shares: one digit, or a digit, a point and a digit ("2", "2.5").
Operand TenthsWord(const std::string& word);

// The command line's operands ("2", "600"; "2.5"; "on"), as many as the
// command takes.
CommandRequest CommandFromWords(CommandKind kind, const std::vector<std::string>& words);

// The 9-byte report of that command, the one the panel writes for it.
swr::CommandReport ReportFor(const Command& command);

// The 9 bytes as "00 08 01 00 00 00 00 00 00".
std::string HexBytes(const std::uint8_t* bytes, std::size_t count);

// Opens the controller, writes the command's report, closes it again: a
// handle of its own, so the device loop's read goes on undisturbed.
// Sent, NotConnected, OpenFailed or WriteFailed.
CommandOutcome SendStationCommand(const Command& command);

}  // namespace station
