// The typed command: the checks of its operands and the command line's
// spelling of them, its bytes, and the one write that puts it on the
// controller; see command.h.
#include "station/core/command.h"

#include <cstdio>

#include "device/hid_link.h"
#include "device/send_buffer.h"
#include "station/core/plain_text.h"

namespace station {

const CommandSpec kCommandSpecs[4] = {
    {"select", CommandKind::Select, 1, {"sensor", nullptr}},
    {"power", CommandKind::Power, 2, {"sensor", "watts"}},
    {"swr", CommandKind::Swr, 2, {"sensor", "limit"}},
    {"blocking", CommandKind::Blocking, 1, {"on", nullptr}},
};

namespace {

swr::CommandBytes CommandFor(const Command& c) {
  switch (c.kind) {
    case CommandKind::Select:
      return swr::SelectSensorCommand(c.sensor);
    case CommandKind::Power:
      return swr::PowerRangeCommand(c.sensor, c.watts);
    case CommandKind::Swr:
      // As the panel's dialog sends the slider's position.
      return swr::SwrLimitCommand(c.sensor, swr::SwrLimitFromPosition(c.swrTenths));
    case CommandKind::Blocking:
      return swr::BlockingCommand(c.on);
  }
  // Not reached: every kind is one of the above.
  return swr::CommandBytes{};
}

// The checks, one per kind of operand, whichever front end read it: true
// with the value, or false with the sentence that names it as given.
bool CheckSensor(const Operand& operand, int& sensor, std::string& error) {
  if (operand.number && *operand.number >= 1 && *operand.number <= 3) {
    sensor = static_cast<int>(*operand.number);
    return true;
  }
  error = "sensor must be 1, 2 or 3, not " + Quoted(operand.given);
  return false;
}

bool CheckWatts(const Operand& operand, int& watts, std::string& error) {
  for (const swr::PowerRange& range : swr::kPowerRanges) {
    if (operand.number == range.watts) {
      watts = range.watts;
      return true;
    }
  }
  error = "maximum power must be " + AcceptedWatts() + " (watts), not " + Quoted(operand.given);
  return false;
}

bool CheckSwrTenths(const Operand& operand, int& tenths, std::string& error) {
  if (operand.number && *operand.number >= 10 && *operand.number <= 40) {
    tenths = static_cast<int>(*operand.number);
    return true;
  }
  error = "SWR limit must be 1.0 to 4.0 in steps of 0.1, not " + Quoted(operand.given);
  return false;
}

bool CheckOnOff(const Operand& operand, bool& on, std::string& error) {
  if (operand.number && (*operand.number == 0 || *operand.number == 1)) {
    on = *operand.number == 1;
    return true;
  }
  error = "blocking must be on or off, not " + Quoted(operand.given);
  return false;
}

// The command line's spelling of a sensor or a wattage: a plain decimal
// number without a leading zero.
Operand NumberWord(const std::string& word) {
  Operand operand{std::nullopt, word};
  long value = 0;
  // Every accepted number is far below the bound.
  if (ParseNumber(word, 100000, value) && (word.size() == 1 || word[0] != '0')) {
    operand.number = value;
  }
  return operand;
}

// The command line's spelling of blocking.
Operand OnOffWord(const std::string& word) {
  Operand operand{std::nullopt, word};
  if (word == "on" || word == "off") operand.number = word == "on" ? 1 : 0;
  return operand;
}

}  // namespace

const CommandSpec* FindCommand(const std::string& name) {
  for (const CommandSpec& spec : kCommandSpecs) {
    if (name == spec.name) return &spec;
  }
  return nullptr;
}

const char* CommandName(CommandKind kind) {
  for (const CommandSpec& spec : kCommandSpecs) {
    if (spec.kind == kind) return spec.name;
  }
  return "";
}

CommandRequest CommandFromOperands(CommandKind kind, const std::vector<Operand>& operands) {
  CommandRequest request;
  Command& c = request.command;
  std::string& error = request.error;
  c.kind = kind;
  const Operand none;
  const Operand& first = operands.empty() ? none : operands[0];
  const Operand& second = operands.size() < 2 ? none : operands[1];
  switch (kind) {
    case CommandKind::Select:
      CheckSensor(first, c.sensor, error);
      break;
    case CommandKind::Power:
      if (CheckSensor(first, c.sensor, error)) CheckWatts(second, c.watts, error);
      break;
    case CommandKind::Swr:
      if (CheckSensor(first, c.sensor, error)) CheckSwrTenths(second, c.swrTenths, error);
      break;
    case CommandKind::Blocking:
      CheckOnOff(first, c.on, error);
      break;
  }
  return request;
}

Operand TenthsWord(const std::string& word) {
  Operand operand{std::nullopt, word};
  const bool digitFirst = !word.empty() && word[0] >= '0' && word[0] <= '9';
  const bool whole = word.size() == 1 && digitFirst;
  const bool oneDecimal = word.size() == 3 && digitFirst && word[1] == '.' && word[2] >= '0' &&
                          word[2] <= '9';
  if (whole || oneDecimal) operand.number = (word[0] - '0') * 10 + (oneDecimal ? word[2] - '0' : 0);
  return operand;
}

CommandRequest CommandFromWords(CommandKind kind, const std::vector<std::string>& words) {
  const std::string none;
  const std::string& first = words.empty() ? none : words[0];
  const std::string& second = words.size() < 2 ? none : words[1];
  std::vector<Operand> operands;
  switch (kind) {
    case CommandKind::Select: operands = {NumberWord(first)}; break;
    case CommandKind::Power: operands = {NumberWord(first), NumberWord(second)}; break;
    case CommandKind::Swr: operands = {NumberWord(first), TenthsWord(second)}; break;
    case CommandKind::Blocking: operands = {OnOffWord(first)}; break;
  }
  return CommandFromOperands(kind, operands);
}

swr::CommandReport ReportFor(const Command& command) {
  swr::SendBuffer buffer = {};
  swr::PutCommand(buffer, CommandFor(command));
  swr::CommandReport report{};
  for (std::size_t i = 0; i < report.size(); ++i) report[i] = buffer[i];
  return report;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char hex[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(bytes[i]));
    if (i > 0) text += ' ';
    text += hex;
  }
  return text;
}

CommandOutcome SendStationCommand(const Command& command) {
  const swr::CommandReport report = ReportFor(command);
  const HidLink::Handle handle = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  if (handle == 0) {
    return HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId)
               ? CommandOutcome::OpenFailed
               : CommandOutcome::NotConnected;
  }
  const int written = HidLink::Write(handle, report.data(), static_cast<int>(report.size()));
  HidLink::Close(handle);
  return written == static_cast<int>(report.size()) ? CommandOutcome::Sent
                                                    : CommandOutcome::WriteFailed;
}

}  // namespace station
