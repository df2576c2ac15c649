// The JSON command: parsed once (duplicate fields refused, numbers' texts
// kept), its fields turned into the operands of the typed command.
#include "station/core/command_request.h"

#include <cmath>
#include <set>
#include <vector>

#include "station/core/plain_text.h"

namespace swrctl {
namespace {

using nlohmann::json;

// Builds the value as json::parse does, and notes the first key given twice
// in any object and the text of each fractional number of the outer object.
class CheckedSax {
 public:
  explicit CheckedSax(json& root) : dom_(root, false) {}
  bool null() { return dom_.null(); }
  bool boolean(bool v) { return dom_.boolean(v); }
  bool number_integer(json::number_integer_t v) { return dom_.number_integer(v); }
  bool number_unsigned(json::number_unsigned_t v) { return dom_.number_unsigned(v); }
  bool number_float(json::number_float_t v, const std::string& text) {
    if (objects_.size() == 1 && !inArray_.back()) numberTexts[key_] = text;
    return dom_.number_float(v, text);
  }
  bool string(std::string& v) { return dom_.string(v); }
  bool binary(json::binary_t& v) { return dom_.binary(v); }
  bool start_object(std::size_t n) {
    objects_.emplace_back();
    inArray_.push_back(false);
    return dom_.start_object(n);
  }
  bool key(std::string& k) {
    if (!objects_.back().insert(k).second) {
      duplicate = k;
      return false;  // ends the parse
    }
    key_ = k;
    return dom_.key(k);
  }
  bool end_object() {
    objects_.pop_back();
    inArray_.pop_back();
    return dom_.end_object();
  }
  bool start_array(std::size_t n) {
    inArray_.push_back(true);
    return dom_.start_array(n);
  }
  bool end_array() {
    inArray_.pop_back();
    return dom_.end_array();
  }
  bool parse_error(std::size_t at, const std::string& token, const nlohmann::detail::exception& e) {
    return dom_.parse_error(at, token, e);
  }

  std::string duplicate;
  std::map<std::string, std::string> numberTexts;

 private:
  nlohmann::detail::json_sax_dom_parser<json> dom_;
  std::vector<std::set<std::string>> objects_;
  std::vector<bool> inArray_{false};
  std::string key_;
};

// What a message shows of a value: its text as given.
std::string Shown(const json& value, const std::string& given) {
  if (value.is_string()) return value.get<std::string>();
  return value.is_number_float() && !given.empty() ? given : value.dump();
}

// The SWR limit as "2.5", 2.5 or 3: tenths, or the value as given for a
// number that is not a whole number of tenths.
std::string LimitText(const json& value, const std::string& given) {
  if (!value.is_number_float()) return Shown(value, given);
  const double limit = value.get<double>();
  const double tenths = std::round(limit * 10);
  if (!std::isfinite(limit) || std::fabs(limit * 10 - tenths) > 1e-6 || tenths < 0 ||
      tenths > 1000) {
    return Shown(value, given);
  }
  const long t = static_cast<long>(tenths);
  return std::to_string(t / 10) + "." + std::to_string(t % 10);
}

// One field's value as the operand's word, or false with `error` set.
bool OperandText(const std::string& field, const json& value, const std::string& given,
                 std::string& text, std::string& error) {
  if (field == "on") {
    if (!value.is_boolean()) {
      error = "on must be true or false, not " + Shown(value, given);
      return false;
    }
    text = value.get<bool>() ? "on" : "off";
  } else if (field == "limit") {
    text = LimitText(value, given);
  } else if (value.is_number_integer()) {
    text = value.is_number_unsigned() ? std::to_string(value.get<std::uint64_t>())
                                      : std::to_string(value.get<std::int64_t>());
  } else {
    // A quoted or fractional number is not a sensor or a wattage.
    const std::string shown = Shown(value, given);
    error = field + " must be a whole number, not " +
            (value.is_string() || value.is_number() ? Quoted(shown) : shown);
    return false;
  }
  return true;
}

std::string Given(const std::map<std::string, std::string>& texts, const std::string& field) {
  const auto it = texts.find(field);
  return it == texts.end() ? std::string() : it->second;
}

}  // namespace

CommandRequest CommandFromJson(const json& object,
                               const std::map<std::string, std::string>& numberTexts) {
  CommandRequest request;
  std::string& error = request.error;
  const auto command = object.find("command");
  if (command == object.end()) {
    error = "missing field 'command'";
    return request;
  }
  const CommandSpec* spec = command->is_string() ? FindCommand(command->get<std::string>()) : nullptr;
  if (spec == nullptr) {
    error = "command must be select, power, swr or blocking, not " +
            Shown(*command, Given(numberTexts, "command"));
    return request;
  }
  for (auto it = object.begin(); it != object.end(); ++it) {
    bool known = it.key() == "command";
    for (std::size_t i = 0; i < spec->count; ++i) known = known || it.key() == spec->fields[i];
    if (!known) {
      error = "unknown field '" + it.key() + "' for " + spec->name;
      return request;
    }
  }
  std::vector<std::string> operands;
  for (std::size_t i = 0; i < spec->count; ++i) {
    const std::string field = spec->fields[i];
    const auto value = object.find(field);
    if (value == object.end()) {
      error = "missing field '" + field + "'";
      return request;
    }
    std::string text;
    if (!OperandText(field, *value, Given(numberTexts, field), text, error)) return request;
    operands.push_back(text);
  }
  return CommandFromOperands(spec->kind, operands);
}

CommandRequest ParseCommandRequest(const std::string& body) {
  CommandRequest request;
  json object;
  CheckedSax sax(object);
  const bool parsed = json::sax_parse(body, &sax);
  if (!sax.duplicate.empty()) {
    request.error = "field '" + sax.duplicate + "' is given twice";
    return request;
  }
  if (!parsed) {
    request.error = "the body is not valid JSON";
    return request;
  }
  if (!object.is_object()) {
    request.error = "the body must be one JSON object";
    return request;
  }
  return CommandFromJson(object, sax.numberTexts);
}

}  // namespace swrctl
