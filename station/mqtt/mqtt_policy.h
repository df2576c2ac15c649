// What the MQTT bridge does, apart from any client library: when to try
// the broker again, what to publish when, and how a command is answered.
// Given the events and the time it says what to do; the bridge carries it
// out through the client. Nothing here touches the network.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/reports.h"
#include "station/core/command.h"
#include "station/core/command_outcome.h"
#include "station/core/command_request.h"
#include "station/core/live_state.h"
#include "station/mqtt/mqtt_client.h"
#include "station/mqtt/mqtt_topics.h"

namespace station {

// Attempts to connect after a failure or a loss: 1, 2, 4, then every 5 s.
class MqttReconnect {
 public:
  // The connection went or an attempt failed; the line to log, empty when
  // a failure in a row was reported already.
  std::string Lost(std::int64_t nowMs, const std::string& why);
  void Connected();
  // True (once) when the next attempt is due; the attempt is then under
  // way until Lost or Connected.
  bool Due(std::int64_t nowMs);
  // How long from nowMs until Due says true, at most maxMs.
  int WaitMs(std::int64_t nowMs, std::int64_t maxMs) const;

 private:
  bool connected_ = false;
  bool reported_ = false;    // this run of failures is in the log
  bool waiting_ = true;      // an attempt is due at at_ (the first at once)
  long delayMs_ = 1000;
  std::int64_t at_ = 0;
};

// The state topics: everything at once after connecting (or when Home
// Assistant comes back), then only what changed, readings at the rate.
class MqttStatePublisher {
 public:
  MqttStatePublisher(const MqttTopics& topics, int ratePerSecond, bool controls,
                     std::string version);

  // The discovery documents, online, and the whole state.
  std::vector<MqttMessage> All(const Snapshot& s, std::int64_t nowMs);
  // What changed since the last call; the reading no more often than the rate.
  std::vector<MqttMessage> Changed(const Snapshot& s, std::int64_t nowMs);
  // When Changed has something to publish without a change of the state:
  // a reading the rate held back, or the live flag going false with no
  // reading in time. 0: nothing. As of the last call of All or Changed.
  std::int64_t DueMs() const { return dueMs_; }

 private:
  void State(const Snapshot& s, std::int64_t nowMs, bool now, std::vector<MqttMessage>& out);

  const MqttTopics& topics_;
  long periodMs_;
  bool controls_;
  std::string version_;
  std::string lastLink_, lastLive_;
  std::uint64_t lastSequence_ = 0;
  std::int64_t lastReadingMs_ = 0;
  std::int64_t dueMs_ = 0;
};

// The answer to one message on a command topic: the messages to publish
// (the state and the result, or an error result) and, for a refusal, a
// line for the log. `send` puts the report on the controller.
struct MqttAnswer {
  std::vector<MqttMessage> publish;
  std::string log;
};
using MqttSend = std::function<CommandOutcome(const Command&)>;
MqttAnswer AnswerCommand(const MqttTopics& topics, const MqttIncoming& in, const MqttSend& send);

// The topics to subscribe to: Home Assistant's status, and the command
// topics unless read-only.
std::vector<std::string> MqttSubscriptions(const MqttTopics& topics, bool readOnly);

}  // namespace station
