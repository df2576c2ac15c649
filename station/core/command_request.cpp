#include "station/core/command_request.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <vector>

#include "device/hid_link.h"

namespace swrctl {
namespace {

using nlohmann::json;

// An integer given as a JSON number; anything else (2.0, "2", true) is not.
bool IntegerText(const json& value, std::string& text) {
  if (!value.is_number_integer()) return false;
  text = value.is_number_unsigned() ? std::to_string(value.get<std::uint64_t>())
                                    : std::to_string(value.get<std::int64_t>());
  return true;
}

// The text the command line would hold for this JSON value, so that the
// command line's checks and messages apply unchanged.
std::string Shown(const json& value) {
  return value.is_string() ? value.get<std::string>() : value.dump();
}

bool Field(const json& object, const char* name, const json*& value, std::string& error) {
  const auto it = object.find(name);
  if (it == object.end()) {
    error = std::string("missing field '") + name + "'";
    return false;
  }
  value = &*it;
  return true;
}

// The SWR limit as "2.5", 2.5 or 3: tenths, or "" for a number that is not
// a whole number of tenths.
std::string LimitText(const json& value) {
  if (value.is_string()) return value.get<std::string>();
  if (value.is_number_integer()) return Shown(value);
  if (!value.is_number_float()) return Shown(value);
  const double limit = value.get<double>();
  const double tenths = std::round(limit * 10);
  if (!std::isfinite(limit) || std::fabs(limit * 10 - tenths) > 1e-6 || tenths < 0 ||
      tenths > 1000) {
    return Shown(value);
  }
  const long t = static_cast<long>(tenths);
  return std::to_string(t / 10) + "." + std::to_string(t % 10);
}

}  // namespace

const char* CommandName(Action action) {
  switch (action) {
    case Action::Select: return "select";
    case Action::Power: return "power";
    case Action::Swr: return "swr";
    case Action::Blocking: return "blocking";
    default: return "";
  }
}

CommandRequest ParseCommandRequest(const std::string& body) {
  CommandRequest request;
  std::string& error = request.error;
  const json object = json::parse(body, nullptr, false);
  if (object.is_discarded()) {
    error = "the body is not valid JSON";
    return request;
  }
  if (!object.is_object()) {
    error = "the body must be one JSON object";
    return request;
  }
  const json* command = nullptr;
  if (!Field(object, "command", command, error)) return request;
  const std::string name = command->is_string() ? command->get<std::string>() : "";

  // The fields each command takes, besides "command".
  std::vector<const char*> fields;
  if (name == "select") fields = {"sensor"};
  else if (name == "power") fields = {"sensor", "watts"};
  else if (name == "swr") fields = {"sensor", "limit"};
  else if (name == "blocking") fields = {"on"};
  else {
    error = "command must be select, power, swr or blocking, not " + Shown(*command);
    return request;
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool known = it.key() == "command";
    for (const char* f : fields) known = known || it.key() == f;
    if (!known) {
      error = "unknown field '" + it.key() + "' for " + name;
      return request;
    }
  }

  // The same words as on the command line: swrctl NAME OPERANDS.
  std::vector<std::string> args{name};
  for (const char* f : fields) {
    const json* value = nullptr;
    if (!Field(object, f, value, error)) return request;
    std::string text;
    if (std::string(f) == "on") {
      if (!value->is_boolean()) {
        error = "on must be true or false, not " + Shown(*value);
        return request;
      }
      text = value->get<bool>() ? "on" : "off";
    } else if (std::string(f) == "limit") {
      text = LimitText(*value);
      // Never an option of the command line ("--help"), whatever is quoted.
      if (text.empty() || text[0] == '-') {
        error = "SWR limit must be 1.0 to 4.0 in steps of 0.1, not '" + text + "'";
        return request;
      }
    } else if (!IntegerText(*value, text)) {
      text = Shown(*value);
      // A quoted or fractional number is not a sensor or a wattage; the
      // message below names it as given.
      if (value->is_string() || value->is_number()) text = "'" + text + "'";
      error = std::string(f) + " must be a whole number, not " + text;
      return request;
    }
    // A negative number would read as an option on the command line; it
    // is out of range either way.
    if (text[0] == '-') {
      error = std::string(f) == "sensor"
                  ? "sensor must be 1, 2 or 3, not '" + text + "'"
                  : "maximum power must be " + AcceptedWatts() + " (watts), not '" + text + "'";
      return request;
    }
    args.push_back(text);
  }
  const ParseResult parsed = ParseArgs(args);
  if (!parsed.ok()) {
    error = parsed.error;
    return request;
  }
  if (std::string(CommandName(parsed.options.action)) != name) {
    error = "not a command: " + body.substr(0, 80);
    return request;
  }
  request.options = parsed.options;
  return request;
}

SendResult SendReport(const swr::CommandReport& report) {
  const HidLink::Handle handle = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  if (handle == 0) {
    return HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId)
               ? SendResult::OpenFailed
               : SendResult::NotConnected;
  }
  const int written = HidLink::Write(handle, report.data(), static_cast<int>(report.size()));
  HidLink::Close(handle);
  return written == static_cast<int>(report.size()) ? SendResult::Sent : SendResult::WriteFailed;
}

}  // namespace swrctl
