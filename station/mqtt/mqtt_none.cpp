// The builds without an MQTT library (mingw-w64): --mqtt is refused on the
// command line, so the bridge is never started.
#include "station/mqtt/mqtt_bridge.h"
#include "station/mqtt/mqtt_options.h"

namespace swrctl {

bool MqttBuilt() { return false; }

struct MqttBridge::Impl {};

MqttBridge::MqttBridge(LiveState&, const MqttOptions&, bool, const std::string&, std::ostream&) {}
MqttBridge::~MqttBridge() = default;

bool MqttBridge::Start(std::string& error) {
  error = "this build has no MQTT";
  return false;
}

void MqttBridge::Stop() {}

std::string MqttBridge::Shown() const { return ""; }

}  // namespace swrctl
