// The MQTT client library behind one small seam: connect with a last will,
// subscribe, publish, and the events connected, lost and message. Realised
// once per library (mqtt_client_mosquitto.cpp). The client is driven from
// one thread: Run does the network and calls the events on that thread, so
// the bridge needs no locks around the library; only Wake is for any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "station/mqtt/mqtt_options.h"
#include "station/mqtt/mqtt_topics.h"

namespace station {

struct MqttIncoming {
  std::string topic;
  std::string payload;
  bool retained = false;  // as published (MQTT 5's retain-as-published)
};

// Whom to connect to, and as whom.
struct MqttConnection {
  MqttUrl url;
  std::string caFile;  // mqtts: the CA certificates; empty = the system's
  std::string clientId;
  MqttMessage will;    // published by the broker when the connection breaks
};

class MqttClient {
 public:
  struct Events {
    std::function<void()> connected;
    std::function<void(const std::string& why)> lost;  // also: an attempt failed
    std::function<void(const MqttIncoming&)> message;
  };

  MqttClient();
  ~MqttClient();
  MqttClient(const MqttClient&) = delete;
  MqttClient& operator=(const MqttClient&) = delete;

  // False with `error` set when the client cannot be set up at all.
  bool Setup(const MqttConnection& connection, Events events, std::string& error);
  // Starts one attempt; `connected` or `lost` follows from Run.
  void Connect();
  // Does the network for up to `timeoutMs` and calls the events; false at
  // once when there is neither a connection nor an attempt under way.
  bool Run(int timeoutMs);
  // From any thread, without blocking: the Run in progress (or the next)
  // returns at once.
  void Wake();
  bool Connected() const;
  // QoS 1; each message keeps the retained flag it was published with.
  void Subscribe(const std::vector<std::string>& topics);
  // Dropped when not connected (everything is published afresh on connecting).
  void Publish(const MqttMessage& message);
  // A clean disconnect (the broker then forgets the will); bounded in time.
  void Disconnect(int timeoutMs);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Whether this build speaks TLS to brokers (mqtts://).
bool MqttTlsBuilt();

}  // namespace station
