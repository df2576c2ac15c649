// The MQTT side of swrctl serve as given on the command line: the broker's
// URL, checked in full before anything starts, and the other --mqtt-*
// options.
#pragma once

#include <string>

#include "station/core/serve_options.h"

namespace station {

struct MqttUrl {
  bool tls = false;        // mqtts://
  std::string host;        // a name, an IPv4 address or an IPv6 address (no brackets)
  unsigned short port = 0;
  std::string user;        // empty: no user name
  std::string password;
  bool hasPassword = false;
};

// mqtt://[user[:password]@]host[:port] or mqtts://...; the user name and
// password may be percent-encoded. Ports default to 1883 and 8883.
bool ParseMqttUrl(const std::string& text, MqttUrl& url, std::string& error);

// The URL to show in logs: the password never appears in it.
std::string ShownUrl(const MqttUrl& url);

// Why mqtts:// is refused in a build without TLS (the Windows builds), and
// how to reach a broker safely instead.
constexpr const char* kNoTlsMessage =
    "mqtts:// is not available in this build (no TLS): use a broker on this machine "
    "(mqtt://127.0.0.1) or reach yours through a VPN or an SSH tunnel "
    "(ssh -L 1883:127.0.0.1:1883 BROKER, then mqtt://127.0.0.1)";

// Stores the value of --mqtt, --mqtt-ca, --mqtt-prefix or --mqtt-rate;
// false with `error` set when the value is wrong.
bool SetMqttOption(const std::string& name, const std::string& value, MqttOptions& mqtt,
                   std::string& error);

// What serve's options say together (--no-http without --mqtt, mqtts:// in
// a build without TLS); empty when they fit.
std::string CheckServeOptions(const ServeOptions& options);

}  // namespace station
