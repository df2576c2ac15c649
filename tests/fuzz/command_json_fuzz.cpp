// Fuzz target: a command as a JSON body (POST /api/v1/commands and MQTT's
// command topic).
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/core/command_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  station::ParseCommandRequest(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
