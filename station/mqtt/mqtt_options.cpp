// serve's MQTT options: the broker's URL and the --mqtt-* values checked;
// see mqtt_options.h.
#include "station/mqtt/mqtt_options.h"

#include <cctype>

#include "station/core/plain_text.h"
#include "station/mqtt/mqtt_client.h"

namespace station {
namespace {

// %XX decoded; false for a broken escape or a control character, which
// would not survive the trip to the broker intact.
bool DecodeUserInfo(const std::string& text, std::string& out) {
  if (!PercentDecode(text, out, false)) return false;
  for (char c : out) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool NameCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

// The host as a URL spells it: an IPv6 address in brackets.
std::string UrlHost(const MqttUrl& url) {
  return url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
}

// Topic levels of letters, digits, '-' and '_' joined by '/': no wildcards,
// no empty level, and usable as Home Assistant's node id once '/' -> '_'.
bool ValidPrefix(const std::string& prefix) {
  if (prefix.empty() || prefix.size() > 64 || prefix.front() == '/' || prefix.back() == '/') {
    return false;
  }
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const char c = prefix[i];
    if (c == '/' && prefix[i + 1] == '/') return false;
    if (c != '/' && c != '-' && c != '_' && std::isalnum(static_cast<unsigned char>(c)) == 0) {
      return false;
    }
  }
  return true;
}

}  // namespace

namespace {

// "user[:password]", percent-encoded.
bool ParseUserInfo(const std::string& userInfo, MqttUrl& url, std::string& error) {
  const std::size_t colon = userInfo.find(':');
  if (!DecodeUserInfo(userInfo.substr(0, colon), url.user) || url.user.empty()) {
    error = "--mqtt: the user name in the URL is empty or badly encoded";
    return false;
  }
  if (colon == std::string::npos) return true;
  url.hasPassword = true;
  if (DecodeUserInfo(userInfo.substr(colon + 1), url.password)) return true;
  error = "--mqtt: the password in the URL is badly encoded (use %XX for special characters)";
  return false;
}

// "host[:port]" or "[v6]:port" into url.host and `portText` ("-" for a
// colon without a port); false when the brackets are wrong. A host of
// characters no host has comes back empty.
bool SplitHost(const std::string& rest, MqttUrl& url, std::string& portText) {
  std::string after;
  if (!rest.empty() && rest.front() == '[') {
    const std::size_t close = rest.find(']');
    if (close == std::string::npos) return false;
    url.host = rest.substr(1, close - 1);
    after = rest.substr(close + 1);
    if (!after.empty() && after[0] != ':') return false;
    for (char c : url.host) {
      if (HexDigitValue(c) < 0 && c != ':' && c != '.') url.host.clear();
    }
  } else {
    const std::size_t colon = rest.find(':');
    url.host = rest.substr(0, colon);
    if (colon != std::string::npos) after = rest.substr(colon);
    for (char c : url.host) {
      if (!NameCharacter(c)) url.host.clear();
    }
  }
  if (!after.empty()) portText = after.size() > 1 ? after.substr(1) : "-";
  return true;
}

}  // namespace

bool ParseMqttUrl(const std::string& text, MqttUrl& url, std::string& error) {
  url = MqttUrl{};
  const std::string shape =
      "--mqtt must be mqtt://[user[:password]@]host[:port] or mqtts://...";
  std::string rest;
  if (text.compare(0, 7, "mqtt://") == 0) {
    rest = text.substr(7);
  } else if (text.compare(0, 8, "mqtts://") == 0) {
    url.tls = true;
    rest = text.substr(8);
  } else {
    error = shape;
    return false;
  }
  if (!rest.empty() && rest.back() == '/') rest.pop_back();
  const std::size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    if (!ParseUserInfo(rest.substr(0, at), url, error)) return false;
    rest = rest.substr(at + 1);
  }
  // From here on the text holds no secret and may be quoted.
  std::string portText;
  if (!SplitHost(rest, url, portText)) {
    error = shape + ", not " + Quoted(rest);
    return false;
  }
  if (url.host.empty()) {
    error = "--mqtt: the broker's host must be a name or an IP address, in " + Quoted(rest);
    return false;
  }
  url.port = url.tls ? 8883 : 1883;
  if (!portText.empty() && !ParsePort(portText, url.port)) {
    error = "--mqtt: the port must be from 1 to 65535, in " + Quoted(rest);
    return false;
  }
  return true;
}

std::string ShownUrl(const MqttUrl& url) {
  std::string shown = url.tls ? "mqtts://" : "mqtt://";
  if (!url.user.empty()) shown += url.user + (url.hasPassword ? ":***@" : "@");
  return shown + UrlHost(url) + ":" + std::to_string(url.port);
}

bool SetMqttOption(const std::string& name, const std::string& value, MqttOptions& mqtt,
                   std::string& error) {
  if (name == "--mqtt") {
    MqttUrl url;
    if (!ParseMqttUrl(value, url, error)) return false;
    mqtt.url = value;
  } else if (name == "--mqtt-ca") {
    if (value.empty()) {
      error = "option --mqtt-ca needs a value";
      return false;
    }
    mqtt.caFile = value;
  } else if (name == "--mqtt-prefix") {
    if (!ValidPrefix(value)) {
      error = "--mqtt-prefix must be topic levels of letters, digits, '-' and '_' joined by '/',"
              " not " + Quoted(value);
      return false;
    }
    mqtt.prefix = value;
    mqtt.prefixGiven = true;
  } else {
    long rate = 0;
    if (!ParseNumber(value, 25, rate) || rate < 1) {
      error = "--mqtt-rate must be readings per second from 1 to 25, not " + Quoted(value);
      return false;
    }
    mqtt.ratePerSecond = static_cast<int>(rate);
    mqtt.rateGiven = true;
  }
  return true;
}

std::string CheckServeOptions(const ServeOptions& options) {
  if (!options.logFile.empty() && options.noLog) return "--log and --no-log exclude each other";
  if (options.swrAlarmHalt) {
    // Stopping the transmitter is a command, if not to the controller.
    if (options.readOnly) return "--swr-alarm-halt asks the transmitter to stop; --read-only refuses that";
    if (options.swrAlarmTenths == 0) return "--swr-alarm-halt needs --swr-alarm LIMIT";
    if (options.rig.empty() && options.wsjtx.empty()) {
      return "--swr-alarm-halt needs --rig or --wsjtx: nothing else here keys the transmitter";
    }
  }
  const MqttOptions& mqtt = options.mqtt;
  if (mqtt.url.empty()) {
    if (!options.http) return "--no-http needs --mqtt (otherwise there is nothing to serve)";
    if (!mqtt.caFile.empty() || mqtt.prefixGiven || mqtt.rateGiven) {
      return std::string(!mqtt.caFile.empty() ? "--mqtt-ca" : mqtt.prefixGiven ? "--mqtt-prefix"
                                                                              : "--mqtt-rate") +
             " needs --mqtt";
    }
    return "";
  }
  if (!MqttTlsBuilt() && mqtt.url.compare(0, 8, "mqtts://") == 0) return kNoTlsMessage;
  if (!mqtt.caFile.empty() && mqtt.url.compare(0, 8, "mqtts://") != 0) {
    return "--mqtt-ca applies to an mqtts:// broker only";
  }
  if (!options.http && !options.listen.empty()) return "--no-http and --listen contradict each other";
  // The token guards the HTTP API only; MQTT commands go by the broker's
  // access control.
  if (!options.http && !options.tokenFile.empty()) {
    return "--no-http and --token-file contradict each other";
  }
  return "";
}

}  // namespace station
