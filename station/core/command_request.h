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

#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "station/core/command.h"

namespace swrctl {

// The body of POST /api/v1/commands or a message on MQTT's PREFIX/command.
CommandRequest ParseCommandRequest(const std::string& body);

// The fields of one JSON object, as given: `numberTexts` holds, by field
// name, the text of each number with a fraction or exponent, so that a
// message quotes "6e2" and not 600.0. For MQTT's set topics, which make the
// object from a topic and a payload.
CommandRequest CommandFromJson(const nlohmann::json& object,
                               const std::map<std::string, std::string>& numberTexts);

}  // namespace swrctl
