// One command for the controller as a JSON object, checked in full:
//
//   {"command":"select","sensor":2}
//   {"command":"power","sensor":2,"watts":600}
//   {"command":"swr","sensor":1,"limit":"2.5"}      (or 2.5)
//   {"command":"blocking","on":true}
//
// A field given twice is refused: whatever reads the first one (a proxy, a
// log, a person) would see another command than the one carried out.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "station/core/command.h"

namespace station {

// The body of POST /api/v1/commands or a message on MQTT's PREFIX/command.
CommandRequest ParseCommandRequest(const std::string& body);

// One field's JSON value ("sensor", "watts", "limit", "on") as the
// operand of the typed command, to be checked as the command line's are; or
// false with `error` set when the value has the wrong JSON type. `given` is
// the number's text as sent, so that a message quotes "6e2" and not 600.0.
// For MQTT's set topics too, which carry one field's value as the payload.
bool OperandFromJson(const std::string& field, const nlohmann::json& value,
                     const std::string& given, Operand& operand, std::string& error);

}  // namespace station
