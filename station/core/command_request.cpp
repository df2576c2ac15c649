// The JSON command: parsed once (duplicate fields refused, numbers' texts
// kept), each field's value read as the operand of the typed command and
// checked as the command line's are.
#include "station/core/command_request.h"

#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "station/core/plain_text.h"

namespace station {
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

// The text of the field's number as given, if it has a fraction or exponent.
std::string Given(const std::map<std::string, std::string>& texts, const std::string& field) {
  const auto it = texts.find(field);
  return it == texts.end() ? std::string() : it->second;
}

// A number that is a whole number of tenths (2.5, 3.0, 25e-1), in tenths,
// up to 1000 tenths; none for any other.
std::optional<std::int64_t> WholeTenths(double limit) {
  const double tenths = std::round(limit * 10);
  if (!std::isfinite(limit) || std::fabs(limit * 10 - tenths) > 1e-6 || tenths < 0 ||
      tenths > 1000) {
    return std::nullopt;
  }
  return static_cast<std::int64_t>(tenths);
}

// The SWR limit as "2.5", 2.5 or 3. A message shows a number that is a
// whole number of tenths as tenths, any other value as given.
Operand LimitOperand(const json& value, const std::string& given) {
  if (value.is_string()) return TenthsWord(value.get<std::string>());
  Operand operand{std::nullopt, Shown(value, given)};
  if (value.is_number_float()) {
    operand.number = WholeTenths(value.get<double>());
    if (operand.number) {
      const std::int64_t tenths = *operand.number;
      operand.given = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    }
  } else if (value.is_number_unsigned() && value.get<std::uint64_t>() <= 100) {
    operand.number = static_cast<std::int64_t>(value.get<std::uint64_t>()) * 10;
  }
  return operand;
}

// A sensor or a wattage: a JSON integer. Not a quoted number, nor one with
// a fraction or an exponent.
bool WholeNumberOperand(const std::string& field, const json& value, const std::string& given,
                        Operand& operand, std::string& error) {
  if (value.is_number_unsigned()) {
    const std::uint64_t n = value.get<std::uint64_t>();
    operand.given = std::to_string(n);
    if (n <= static_cast<std::uint64_t>(INT64_MAX)) operand.number = static_cast<std::int64_t>(n);
    return true;
  }
  if (value.is_number_integer()) {
    operand.number = value.get<std::int64_t>();
    operand.given = std::to_string(*operand.number);
    return true;
  }
  const std::string shown = Shown(value, given);
  error = field + " must be a whole number, not " +
          (value.is_string() || value.is_number() ? Quoted(shown) : shown);
  return false;
}

}  // namespace

bool OperandFromJson(const std::string& field, const json& value, const std::string& given,
                     Operand& operand, std::string& error) {
  if (field == "limit") {
    operand = LimitOperand(value, given);
    return true;
  }
  if (field != "on") return WholeNumberOperand(field, value, given, operand, error);
  if (!value.is_boolean()) {
    error = "on must be true or false, not " + Shown(value, given);
    return false;
  }
  operand = {value.get<bool>() ? 1 : 0, value.dump()};
  return true;
}

namespace {

// The command of a JSON object; `numberTexts` as CheckedSax gathers them.
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
  // Each field's value read first, then the operands checked in order.
  std::vector<Operand> operands(spec->count);
  for (std::size_t i = 0; i < spec->count; ++i) {
    const std::string field = spec->fields[i];
    const auto value = object.find(field);
    if (value == object.end()) {
      error = "missing field '" + field + "'";
      return request;
    }
    if (!OperandFromJson(field, *value, Given(numberTexts, field), operands[i], error)) {
      return request;
    }
  }
  return CommandFromOperands(spec->kind, operands);
}

}  // namespace

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

}  // namespace station
