// The topics and payloads of swrctl serve on MQTT, below the client: what
// is published where, Home Assistant's discovery documents, and a message
// on a command topic turned into the typed command (PREFIX/command as the
// HTTP API's JSON, a set topic's payload as that JSON's field).
//
//   PREFIX/availability     online | offline (retained; the broker's last will)
//   PREFIX/link             connected | disconnected (retained)
//   PREFIX/live             true | false: a reading came within the last second
//   PREFIX/reading          the reading as JSON, as in the HTTP API (retained)
//   PREFIX/command          in: one JSON command, as POST /api/v1/commands takes
//   PREFIX/set/sensor       in: 1 | 2 | 3
//   PREFIX/set/power/N      in: 50 | 120 | 400 | 600 | 1200
//   PREFIX/set/swr/N        in: 1.0 .. 4.0
//   PREFIX/set/blocking     in: ON | OFF
//   PREFIX/state/...        the value last written to power/N, swr/N, blocking
//   PREFIX/result           the answer to each command, JSON as over HTTP
//   PREFIX/transmission     the last finished transmission (retained)
//   PREFIX/qso              each QSO as the log stores it, and again once its
//                           measurement is filled in (retained: the last one)
//   PREFIX/rig, PREFIX/alarm, PREFIX/alarm/state, PREFIX/bands, PREFIX/alarm/ack:
//                           the transceiver, the SWR alarm and the antenna's
//                           health (station/health/health_json.h)
#pragma once

#include <string>
#include <vector>

#include "station/core/command.h"

namespace station {

struct MqttMessage {
  std::string topic;
  std::string payload;
  bool retained = true;
  int qos = 1;
};

constexpr const char* kHomeAssistantStatus = "homeassistant/status";
// Longer payloads on the command topics are refused unread.
constexpr std::size_t kMaxCommandPayload = 1024;

struct MqttTopics {
  explicit MqttTopics(const std::string& prefix);
  std::string prefix, availability, link, live, reading, command, set, state, result,
      transmission, qso, rig, alarm, alarmState, alarmAck, bands;
  std::string node;  // Home Assistant's node id: the prefix with '/' -> '_'
};

// The discovery documents of the device: its sensors and, unless
// `controls` is false, its controls. Without controls the controls'
// documents are empty, which removes them from Home Assistant.
std::vector<MqttMessage> DiscoveryMessages(const MqttTopics& topics, bool controls,
                                           const std::string& version);

// The command of a message on PREFIX/command (the JSON of the HTTP API) or
// PREFIX/set/... (a topic and a payload), or why it makes none.
CommandRequest ParseMqttCommand(const MqttTopics& topics, const std::string& topic,
                                const std::string& payload);

// The control's state after a successful write of this command.
MqttMessage StateAfter(const MqttTopics& topics, const Command& command);

// For a log line: printable ASCII only, at most `max` characters.
std::string Printable(const std::string& text, std::size_t max = 80);

}  // namespace station
