// What the station service is asked to do: where to listen, the token, the
// read-only switch and the MQTT side. The command line fills it in.
#pragma once

#include <string>

namespace swrctl {

// The MQTT side; see station/mqtt/mqtt_options.h for its checks.
struct MqttOptions {
  std::string url;      // the broker; empty = no MQTT
  std::string caFile;   // mqtts: the CA certificates to trust
  std::string prefix = "swrpanel";
  int ratePerSecond = 4;
  bool prefixGiven = false;
  bool rateGiven = false;
};

struct ServeOptions {
  std::string listen;     // HOST:PORT; empty = the default address
  std::string tokenFile;  // empty = a new token at each start
  bool readOnly = false;
  bool http = true;       // false: --no-http, MQTT only
  MqttOptions mqtt;
};

}  // namespace swrctl
