// The typed command: its operands checked, its bytes, and the one write
// that puts it on the controller; see command.h.
#include "station/core/command.h"

#include <cstdio>

#include "device/hid_link.h"
#include "device/send_buffer.h"
#include "station/core/plain_text.h"

namespace swrctl {

const CommandSpec kCommandSpecs[4] = {
    {"select", CommandKind::Select, 1, {"sensor", nullptr}},
    {"power", CommandKind::Power, 2, {"sensor", "watts"}},
    {"swr", CommandKind::Swr, 2, {"sensor", "limit"}},
    {"blocking", CommandKind::Blocking, 1, {"on", nullptr}},
};

namespace {

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

bool ParseOnOff(const std::string& text, bool& on, std::string& error) {
  if (text == "on" || text == "off") {
    on = text == "on";
    return true;
  }
  error = "blocking must be on or off, not " + Quoted(text);
  return false;
}

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

CommandRequest CommandFromOperands(CommandKind kind, const std::vector<std::string>& operands) {
  CommandRequest request;
  Command& c = request.command;
  std::string& error = request.error;
  c.kind = kind;
  const std::string none;
  const std::string& first = operands.empty() ? none : operands[0];
  const std::string& second = operands.size() < 2 ? none : operands[1];
  switch (kind) {
    case CommandKind::Select:
      ParseSensor(first, c.sensor, error);
      break;
    case CommandKind::Power:
      if (ParseSensor(first, c.sensor, error)) ParseWatts(second, c.watts, error);
      break;
    case CommandKind::Swr:
      if (ParseSensor(first, c.sensor, error)) ParseSwr(second, c.swrTenths, error);
      break;
    case CommandKind::Blocking:
      ParseOnOff(first, c.on, error);
      break;
  }
  return request;
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

}  // namespace swrctl
