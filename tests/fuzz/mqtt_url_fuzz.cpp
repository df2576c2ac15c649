// Fuzz target: the broker's URL given to --mqtt, and the form shown in logs.
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/mqtt/mqtt_options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  station::MqttUrl url;
  std::string error;
  if (station::ParseMqttUrl(std::string(reinterpret_cast<const char*>(data), size), url, error)) {
    station::ShownUrl(url);
  }
  return 0;
}
