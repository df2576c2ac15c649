// The MQTT client on Eclipse Mosquitto's client library, libmosquitto
// (Debian's on Linux, with TLS; built from Debian's source without TLS for
// Windows). Driven from the caller's thread: Run waits on the library's
// socket and on a wake-up of its own (socket_wait.h), so that another
// thread can cut the wait short, then lets the library read, write and
// keep the connection alive; its callbacks only note the events, which Run
// then hands on once the library has let go of its locks (a handler may
// publish). Speaks MQTT 5, whose subscription option
// "retain as published" keeps a command's retained flag also for a
// subscriber that is already there; a broker that knows only MQTT 3.1.1 is
// spoken to in that instead.
#include "station/mqtt/mqtt_client.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <chrono>
#include <csignal>
#include <mutex>
#include <vector>

#include "station/mqtt/socket_wait.h"

namespace station {

#ifndef SWR_MQTT_TLS
#define SWR_MQTT_TLS 0
#endif

bool MqttTlsBuilt() { return SWR_MQTT_TLS != 0; }

namespace {

constexpr int kKeepAliveSeconds = 10;  // also how long an attempt may take

enum class State { Idle, Connecting, Connected };

std::string ErrorText(int rc) {
  const char* text = mosquitto_strerror(rc);
  std::string why = text != nullptr ? text : "error " + std::to_string(rc);
  while (!why.empty() && (why.back() == '.' || why.back() == '\n')) why.pop_back();
  return why.empty() ? "error " + std::to_string(rc) : why;
}

}  // namespace

struct MqttClient::Impl {
  mosquitto* mosq = nullptr;
  MqttConnection connection;
  Events events;
  State state = State::Idle;
  bool v5 = true;
  bool closing = false;  // our own disconnect: no `lost` for it
  std::string refusedWhy;
  std::vector<std::function<void()>> pending;  // events noted by the callbacks
  SocketWait wait;

  ~Impl() {
    if (mosq != nullptr) mosquitto_destroy(mosq);
  }

  static Impl& Of(void* obj) { return *static_cast<Impl*>(obj); }

  static void OnConnect(mosquitto*, void* obj, int rc) {
    Impl& self = Of(obj);
    if (rc == 0) {
      self.state = State::Connected;
      self.pending.push_back([&self] { self.events.connected(); });
      return;
    }
    if (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION && self.v5) {
      // An older broker: MQTT 3.1.1 from the next attempt on. It clears the
      // retained flag for subscribers that are already there.
      self.v5 = false;
      mosquitto_int_option(self.mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
      self.refusedWhy =
          "the broker speaks MQTT 3.1.1 only, switching to it (it cannot tell a retained command"
          " published while connected apart from a fresh one)";
      return;
    }
    self.refusedWhy = std::string("the broker refused the connection: ") +
                      (self.v5 ? mosquitto_reason_string(rc) : mosquitto_connack_string(rc));
  }

  static void OnDisconnect(mosquitto*, void* obj, int rc) {
    Impl& self = Of(obj);
    const bool report = self.state != State::Idle && !self.closing;
    self.state = State::Idle;
    std::string why = self.refusedWhy.empty() ? ErrorText(rc) : self.refusedWhy;
    self.refusedWhy.clear();
    if (report) self.pending.push_back([&self, why] { self.events.lost(why); });
  }

  static void OnMessage(mosquitto*, void* obj, const mosquitto_message* m) {
    MqttIncoming in;
    in.topic = m->topic != nullptr ? m->topic : "";
    if (m->payload != nullptr && m->payloadlen > 0) {
      in.payload.assign(static_cast<const char*>(m->payload),
                        static_cast<std::size_t>(m->payloadlen));
    }
    in.retained = m->retain;
    Impl& self = Of(obj);
    self.pending.push_back([&self, in] { self.events.message(in); });
  }

  bool Setup(std::string& error) {
    static std::once_flag once;
    std::call_once(once, [] {
      mosquitto_lib_init();
#ifdef SIGPIPE
      // The library writes to its socket with write(), which raises SIGPIPE
      // (and ends the process) when the broker has just closed the
      // connection; ignored, the write fails and the client reconnects.
      std::signal(SIGPIPE, SIG_IGN);
#endif
    });
    if (!wait.Open(error)) return false;
    mosq = mosquitto_new(connection.clientId.c_str(), true, this);
    if (mosq == nullptr) {
      error = "cannot set up the MQTT client";
      return false;
    }
    mosquitto_int_option(mosq, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_callback_set(mosq, &OnConnect);
    mosquitto_disconnect_callback_set(mosq, &OnDisconnect);
    mosquitto_message_callback_set(mosq, &OnMessage);
    const MqttMessage& will = connection.will;
    int rc = mosquitto_will_set(mosq, will.topic.c_str(), static_cast<int>(will.payload.size()),
                                will.payload.data(), will.qos, will.retained);
    const MqttUrl& url = connection.url;
    if (rc == MOSQ_ERR_SUCCESS && !url.user.empty()) {
      rc = mosquitto_username_pw_set(mosq, url.user.c_str(),
                                     url.hasPassword ? url.password.c_str() : nullptr);
    }
    if (rc == MOSQ_ERR_SUCCESS && url.tls) rc = SetupTls();
    if (rc != MOSQ_ERR_SUCCESS) {
      error = "cannot set up the MQTT client (" + ErrorText(rc) + ")";
      return false;
    }
    return true;
  }

  // The broker's certificate and host name are checked (libmosquitto's
  // default); the CA file given or the system's certificates.
  int SetupTls() {
    if (!MqttTlsBuilt()) return MOSQ_ERR_NOT_SUPPORTED;
    if (!connection.caFile.empty()) {
      return mosquitto_tls_set(mosq, connection.caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
    }
    return mosquitto_int_option(mosq, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
  }

  void Connect() {
    if (state != State::Idle) return;
    refusedWhy.clear();
    const int rc = mosquitto_connect_async(mosq, connection.url.host.c_str(), connection.url.port,
                                           kKeepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS) {
      state = State::Connecting;
    } else {
      events.lost(ErrorText(rc));
    }
  }

  // What mosquitto_loop does, with the wake-up beside the library's socket.
  int Loop(int timeoutMs) {
    const int socket = mosquitto_socket(mosq);
    if (socket < 0) return MOSQ_ERR_NO_CONN;
    const SocketWait::Ready ready = wait.Wait(socket, mosquitto_want_write(mosq), timeoutMs);
    int rc = MOSQ_ERR_SUCCESS;
    if (ready.read) rc = mosquitto_loop_read(mosq, 1);
    if (rc == MOSQ_ERR_SUCCESS && ready.write && mosquitto_socket(mosq) >= 0) {
      rc = mosquitto_loop_write(mosq, 1);
    }
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(mosq);
    return rc;
  }

  bool Run(int timeoutMs) {
    if (state == State::Idle) return false;
    const int rc = Loop(timeoutMs);
    // A closed socket that no callback reported (a failed connect, say).
    if (state != State::Idle && mosquitto_socket(mosq) < 0) {
      state = State::Idle;
      pending.push_back([this, why = refusedWhy.empty() ? ErrorText(rc) : refusedWhy] {
        events.lost(why);
      });
      refusedWhy.clear();
    }
    std::vector<std::function<void()>> noted;
    noted.swap(pending);
    for (const auto& event : noted) event();
    return true;
  }

  void Disconnect(int timeoutMs) {
    if (state == State::Idle) return;
    closing = true;
    mosquitto_disconnect(mosq);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (mosquitto_socket(mosq) >= 0 && std::chrono::steady_clock::now() < end) {
      mosquitto_loop(mosq, 50, 1);
    }
    state = State::Idle;
    closing = false;
    pending.clear();
  }
};

MqttClient::MqttClient() : impl_(std::make_unique<Impl>()) {}
MqttClient::~MqttClient() = default;

bool MqttClient::Setup(const MqttConnection& connection, Events events, std::string& error) {
  impl_->connection = connection;
  impl_->events = std::move(events);
  return impl_->Setup(error);
}

void MqttClient::Connect() { impl_->Connect(); }

bool MqttClient::Run(int timeoutMs) { return impl_->Run(timeoutMs); }

void MqttClient::Wake() { impl_->wait.Wake(); }

bool MqttClient::Connected() const { return impl_->state == State::Connected; }

void MqttClient::Subscribe(const std::vector<std::string>& topics) {
  std::vector<char*> names;
  std::vector<std::string> copies = topics;
  for (std::string& topic : copies) names.push_back(&topic[0]);
  const int options = impl_->v5 ? MQTT_SUB_OPT_RETAIN_AS_PUBLISHED : 0;
  mosquitto_subscribe_multiple(impl_->mosq, nullptr, static_cast<int>(names.size()), names.data(),
                               1, options, nullptr);
}

void MqttClient::Publish(const MqttMessage& m) {
  if (impl_->state != State::Connected) return;
  mosquitto_publish(impl_->mosq, nullptr, m.topic.c_str(), static_cast<int>(m.payload.size()),
                    m.payload.data(), m.qos, m.retained);
}

void MqttClient::Disconnect(int timeoutMs) { impl_->Disconnect(timeoutMs); }

}  // namespace station
