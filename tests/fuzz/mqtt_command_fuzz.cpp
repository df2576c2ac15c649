// Fuzz target: a message on one of the MQTT command topics. The input's
// first line is the topic below the prefix, the rest the payload.
#include <cstddef>
#include <cstdint>
#include <string>

#include "station/mqtt/mqtt_topics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const station::MqttTopics topics("swrpanel");
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t newline = input.find('\n');
  const std::string topic = "swrpanel/" + input.substr(0, newline);
  const std::string payload = newline == std::string::npos ? "" : input.substr(newline + 1);
  station::ParseMqttCommand(topics, topic, payload);
  return 0;
}
