// The MQTT bridge on Eclipse Paho's asynchronous C client. Paho's threads
// only set flags and queue messages; everything else (connecting,
// publishing, the commands' writes to the controller) happens on the
// bridge's own thread, which wakes at the publish rate.
#include "station/mqtt/mqtt_bridge.h"

#include <MQTTAsync.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <mutex>
#include <ostream>
#include <random>
#include <thread>
#include <vector>

#include "station/core/api_json.h"
#include "station/core/command.h"
#include "station/mqtt/mqtt_options.h"
#include "station/mqtt/mqtt_topics.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace swrctl {

bool MqttBuilt() { return true; }

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
      .count();
}

constexpr std::size_t kMaxQueued = 16;   // commands waiting; more are dropped
constexpr long kMaxRetryMs = 5000;       // between two attempts to connect

}  // namespace

struct MqttBridge::Impl {
  Impl(LiveState& l, const MqttOptions& o, bool ro, const std::string& pw, std::ostream& e)
      : live(l), options(o), readOnly(ro), topics(o.prefix), err(e) {
    std::string error;
    ParseMqttUrl(o.url, url, error);  // checked on the command line already
    if (!url.user.empty() && !url.hasPassword && !pw.empty()) {
      url.password = pw;
      url.hasPassword = true;
    }
  }

  LiveState& live;
  MqttOptions options;
  bool readOnly;
  MqttTopics topics;
  std::ostream& err;
  MqttUrl url;
  MQTTAsync client = nullptr;
  std::thread thread;

  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  bool connectedEvent = false;  // Paho connected; the thread has not caught up yet
  bool lost = false;            // the connection went or the attempt failed
  std::string lostWhy;
  bool disconnected = false;    // the final disconnect completed
  bool republish = false;       // Home Assistant came back
  bool droppedCommand = false;
  struct Incoming {
    std::string topic, payload;
    bool retained;
  };
  std::deque<Incoming> incoming;

  // The bridge's thread only.
  bool connected = false;
  std::string lastLink, lastLive;
  std::uint64_t lastSequence = 0;
  std::int64_t lastReadingMs = 0;

  void Log(const std::string& line) { err << "swrctl: mqtt: " << line << '\n' << std::flush; }

  void Notify() { wake.notify_all(); }

  // Paho's callbacks, on Paho's threads.
  static void OnConnected(void* context, char*) {
    auto* self = static_cast<Impl*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->connectedEvent = true;
    self->Notify();
  }
  static void OnLost(void* context, char* cause) {
    auto* self = static_cast<Impl*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->lost = true;
    self->lostWhy = cause != nullptr ? cause : "the connection was lost";
    self->Notify();
  }
  static void OnConnectFailed(void* context, MQTTAsync_failureData* data) {
    auto* self = static_cast<Impl*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->lost = true;
    self->lostWhy = data != nullptr && data->message != nullptr
                        ? data->message
                        : "cannot connect (code " + std::to_string(data ? data->code : 0) + ")";
    self->Notify();
  }
  static void OnDisconnected(void* context, MQTTAsync_successData*) {
    auto* self = static_cast<Impl*>(context);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->disconnected = true;
    self->Notify();
  }
  static void OnDisconnectFailed(void* context, MQTTAsync_failureData*) {
    OnDisconnected(context, nullptr);
  }
  static int OnMessage(void* context, char* topic, int topicLength, MQTTAsync_message* message) {
    auto* self = static_cast<Impl*>(context);
    Incoming in{topicLength > 0 ? std::string(topic, static_cast<std::size_t>(topicLength))
                                : std::string(topic),
                std::string(static_cast<const char*>(message->payload),
                            static_cast<std::size_t>(message->payloadlen)),
                message->retained != 0};
    MQTTAsync_freeMessage(&message);
    MQTTAsync_free(topic);
    std::lock_guard<std::mutex> lock(self->mutex);
    if (in.topic == kHomeAssistantStatus) {
      self->republish = self->republish || in.payload == "online";
    } else if (self->incoming.size() >= kMaxQueued) {
      self->droppedCommand = true;
    } else {
      self->incoming.push_back(std::move(in));
    }
    self->Notify();
    return 1;
  }

  bool Create(std::string& error) {
    std::random_device random;
    const std::string id = "swrctl-" + topics.node + "-" + std::to_string(random() % 1000000);
    int rc = MQTTAsync_create(&client, PahoAddress(url).c_str(), id.c_str(),
                              MQTTCLIENT_PERSISTENCE_NONE, nullptr);
    if (rc == MQTTASYNC_SUCCESS) {
      rc = MQTTAsync_setCallbacks(client, this, &OnLost, &OnMessage, nullptr);
    }
    if (rc == MQTTASYNC_SUCCESS) rc = MQTTAsync_setConnected(client, this, &OnConnected);
    if (rc != MQTTASYNC_SUCCESS) {
      error = "cannot set up the MQTT client (" + std::string(MQTTAsync_strerror(rc)) + ")";
      return false;
    }
    return true;
  }

  void Connect() {
    MQTTAsync_connectOptions opts = MQTTAsync_connectOptions_initializer;
    opts.keepAliveInterval = 10;
    opts.cleansession = 1;
    opts.connectTimeout = 5;
    opts.onFailure = &OnConnectFailed;
    opts.context = this;
    MQTTAsync_willOptions will = MQTTAsync_willOptions_initializer;
    will.topicName = topics.availability.c_str();
    will.message = "offline";
    will.retained = 1;
    will.qos = 1;
    opts.will = &will;
    if (!url.user.empty()) opts.username = url.user.c_str();
    if (url.hasPassword) opts.password = url.password.c_str();
    MQTTAsync_SSLOptions ssl = MQTTAsync_SSLOptions_initializer;
    if (url.tls) {
      if (!options.caFile.empty()) ssl.trustStore = options.caFile.c_str();
      ssl.enableServerCertAuth = 1;
      ssl.verify = 1;  // the host name too
      opts.ssl = &ssl;
    }
    const int rc = MQTTAsync_connect(client, &opts);
    if (rc != MQTTASYNC_SUCCESS) {
      std::lock_guard<std::mutex> lock(mutex);
      lost = true;
      lostWhy = MQTTAsync_strerror(rc);
    }
  }

  void Publish(const std::string& topic, const std::string& payload, bool retained, int qos = 1) {
    MQTTAsync_message message = MQTTAsync_message_initializer;
    message.payload = const_cast<char*>(payload.data());
    message.payloadlen = static_cast<int>(payload.size());
    message.retained = retained ? 1 : 0;
    message.qos = qos;
    MQTTAsync_responseOptions response = MQTTAsync_responseOptions_initializer;
    // Not connected: dropped; everything is published afresh on connecting.
    MQTTAsync_sendMessage(client, topic.c_str(), &message, &response);
  }
  void Publish(const MqttMessage& m) { Publish(m.topic, m.payload, m.retained); }

  void OnConnectedHere() {
    connected = true;
    Log("connected to " + ShownUrl(url));
    // Read-only: only Home Assistant's restarts, no commands.
    std::vector<std::string> topicNames = {kHomeAssistantStatus};
    if (!readOnly) {
      topicNames.push_back(topics.command);
      topicNames.push_back(topics.set + "/#");
    }
    std::vector<char*> names;
    for (std::string& name : topicNames) names.push_back(name.data());
    std::vector<int> qos(names.size(), 1);
    MQTTAsync_responseOptions response = MQTTAsync_responseOptions_initializer;
    MQTTAsync_subscribeMany(client, static_cast<int>(names.size()), names.data(), qos.data(),
                            &response);
    PublishAll();
  }

  // Everything a newly connected broker (or a restarted Home Assistant)
  // needs: the documents, then the state.
  void PublishAll() {
    for (const MqttMessage& m : DiscoveryMessages(topics, !readOnly, SWRCTL_VERSION)) Publish(m);
    Publish(topics.availability, "online", true);
    lastLink.clear();
    lastLive.clear();
    lastSequence = 0;
    PublishState(true);
  }

  void PublishState(bool now) {
    const std::int64_t nowMs = NowMs();
    const Snapshot s = live.Get(nowMs);
    const std::string link = s.link.connected ? "connected" : "disconnected";
    if (link != lastLink) Publish(topics.link, lastLink = link, true);
    const bool fresh = s.link.connected && s.reading.sequence != 0 &&
                       nowMs - s.reading.steadyMs <= LiveState::kStaleMs;
    // The reading before the live flag, so that a subscriber never sees
    // "true" beside an old reading.
    if (s.link.connected && s.reading.sequence != 0 && s.reading.sequence != lastSequence &&
        (now || nowMs - lastReadingMs >= 1000 / options.ratePerSecond)) {
      Publish(topics.reading, ReadingJson(s.reading), true, 0);
      lastSequence = s.reading.sequence;
      lastReadingMs = nowMs;
    }
    const std::string liveText = fresh && lastSequence != 0 ? "true" : "false";
    if (liveText != lastLive) Publish(topics.live, lastLive = liveText, true);
  }

  void Answer(const std::string& topic, const std::string& error, const char* code) {
    Log(Printable(topic) + ": " + Printable(error, 160) + "; nothing sent");
    Publish(topics.result, ErrorJson(code, error), false);
  }

  void HandleCommand(const Incoming& in) {
    // What clears a retained message on the topic; never a command.
    if (in.payload.empty()) return;
    if (in.retained) {
      return Answer(in.topic, "a retained command is never carried out (publish it unretained)",
                    "bad_request");
    }
    const CommandRequest request = ParseMqttCommand(topics, in.topic, in.payload);
    if (!request.ok()) {
      return Answer(in.topic, request.error, OutcomeOf(CommandOutcome::BadRequest).code);
    }
    const CommandOutcome outcome = SendCommand(request.command);
    if (outcome != CommandOutcome::Sent) {
      return Answer(in.topic, OutcomeOf(outcome).message, OutcomeOf(outcome).code);
    }
    Publish(StateAfter(topics, request.command));
    Publish(topics.result, SentJson(CommandName(request.command.kind), ReportFor(request.command)),
            false);
  }

  void Run() {
    Connect();
    long retryMs = 1000;
    std::int64_t retryAt = -1;
    const long periodMs = 1000 / options.ratePerSecond;
    std::unique_lock<std::mutex> lock(mutex);
    while (!stopping) {
      wake.wait_for(lock, std::chrono::milliseconds(periodMs), [&] {
        return stopping || connectedEvent || lost || republish || !incoming.empty();
      });
      if (stopping) break;
      const bool justConnected = connectedEvent;
      const bool justLost = lost;
      const std::string why = lostWhy;
      const bool again = republish;
      const bool dropped = droppedCommand;
      std::deque<Incoming> work;
      work.swap(incoming);
      connectedEvent = lost = republish = droppedCommand = false;
      lock.unlock();

      if (justLost) {
        if (connected) Log("lost the broker (" + Printable(why, 160) + "); reconnecting");
        else if (retryAt < 0) Log(Printable(why, 160) + "; retrying");
        connected = false;
        retryAt = NowMs() + retryMs;
        retryMs = std::min(retryMs * 2, kMaxRetryMs);
      }
      if (justConnected) {
        retryAt = -1;
        retryMs = 1000;
        OnConnectedHere();
      } else if (!connected && retryAt >= 0 && NowMs() >= retryAt) {
        retryAt = 0;  // an attempt is under way; its failure sets the next
        Connect();
      }
      if (dropped) Log("too many commands at once; some were dropped unsent");
      if (connected) {
        if (again) PublishAll();
        for (const Incoming& in : work) HandleCommand(in);
        PublishState(false);
      }
      lock.lock();
    }
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (stopping) return;
      stopping = true;
      Notify();
    }
    if (thread.joinable()) thread.join();
    if (client == nullptr) return;
    if (MQTTAsync_isConnected(client)) {
      // Unlike the last will, a clean disconnect says offline itself.
      Publish(topics.availability, "offline", true);
      MQTTAsync_disconnectOptions opts = MQTTAsync_disconnectOptions_initializer;
      opts.timeout = 1000;
      opts.onSuccess = &OnDisconnected;
      opts.onFailure = &OnDisconnectFailed;
      opts.context = this;
      if (MQTTAsync_disconnect(client, &opts) == MQTTASYNC_SUCCESS) {
        std::unique_lock<std::mutex> lock(mutex);
        wake.wait_for(lock, std::chrono::seconds(2), [&] { return disconnected; });
      }
    }
    MQTTAsync_destroy(&client);
  }
};

MqttBridge::MqttBridge(LiveState& live, const MqttOptions& options, bool readOnly,
                       const std::string& password, std::ostream& err)
    : impl_(std::make_unique<Impl>(live, options, readOnly, password, err)) {}

MqttBridge::~MqttBridge() { Stop(); }

bool MqttBridge::Start(std::string& error) {
  // A CA file that cannot be read would only show as failed handshakes.
  const std::string& ca = impl_->options.caFile;
  if (!ca.empty() && !std::ifstream(ca).good()) {
    error = "cannot read the CA file " + ca + " (--mqtt-ca)";
    return false;
  }
  if (!impl_->Create(error)) return false;
  impl_->thread = std::thread([impl = impl_.get()] { impl->Run(); });
  return true;
}

void MqttBridge::Stop() { impl_->Stop(); }

std::string MqttBridge::Shown() const { return ShownUrl(impl_->url); }

}  // namespace swrctl
