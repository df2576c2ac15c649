// The MQTT bridge: one thread of its own that drives the client (network,
// events) and carries out the policy of mqtt_policy.h. The client's events
// come on this thread too, so connecting, publishing and the commands'
// writes to the controller all happen here, in the order they arrive. The
// live state's subscription notes what changed and wakes the client's wait,
// so a change is published as it happens; the thread wakes by itself only
// for what the time brings (a reading the rate held back, the live flag
// going false, a reconnect, the connection's keep-alive).
#include "station/mqtt/mqtt_bridge.h"


#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <ostream>
#include <random>
#include <thread>

#include "station/core/clock.h"
#include "station/core/thread_name.h"
#include "station/health/health_json.h"
#include "station/health/station_watch.h"
#include "station/log/log_format.h"
#include "station/log/log_store.h"
#include "station/log/qso_format.h"
#include "station/mqtt/mqtt_client.h"
#include "station/mqtt/mqtt_options.h"
#include "station/mqtt/mqtt_policy.h"
#include "station/mqtt/mqtt_topics.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace station {
namespace {

// The longest the thread waits without a change: the library's keep-alive
// and a reconnect's time are looked at this often at least.
constexpr std::int64_t kMaxWaitMs = 1000;

}  // namespace

struct MqttBridge::Impl {
  Impl(LiveState& l, const MqttOptions& o, bool ro, const std::string& pw, std::ostream& e)
      : live(l),
        options(o),
        readOnly(ro),
        topics(o.prefix),
        err(e),
        publisher(topics, o.ratePerSecond, !ro, SWRCTL_VERSION) {
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
  MqttClient client;
  MqttReconnect reconnect;
  MqttStatePublisher publisher;
  std::thread thread;
  const StationLog* log = nullptr;
  std::uint64_t transmissionsSeen = 0;
  std::uint64_t qsosSeen = 0;
  StationWatch* watch = nullptr;
  Subscription subscription;
  std::atomic<Changes> changed{0};  // told by the live state, not yet published

  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;

  void Log(const std::string& line) { err << "swrctl: mqtt: " << line << '\n' << std::flush; }

  void Publish(const std::vector<MqttMessage>& messages) {
    for (const MqttMessage& m : messages) client.Publish(m);
  }

  void OnConnected() {
    reconnect.Connected();
    Log("connected to " + ShownUrl(url));
    client.Subscribe(MqttSubscriptions(topics, readOnly));
    // Everything goes now; what was told while away is in it.
    changed.store(0);
    const std::int64_t now = SteadyNowMs();
    Publish(publisher.All(live.Get(now), now));
    PublishWatch(change::kAll);
    PublishTransmissions();
    PublishQsos();
  }

  void OnLost(const std::string& why) {
    const std::string line = reconnect.Lost(SteadyNowMs(), why);
    if (!line.empty()) Log(line);
  }

  void OnMessage(const MqttIncoming& in) {
    if (in.topic == kHomeAssistantStatus) {
      // Home Assistant came back: everything again.
      if (in.payload == "online") {
        const std::int64_t now = SteadyNowMs();
        Publish(publisher.All(live.Get(now), now));
      }
      return;
    }
    if (in.topic == topics.alarmAck) {
      // Any payload but the empty one that clears a retained message; a
      // retained one would acknowledge again at every reconnect.
      // The alarm's change comes back through the subscription.
      if (watch != nullptr && !in.payload.empty() && !in.retained && watch->alarm.Acknowledge("mqtt", UnixNowMs())) {
        Log("the SWR alarm was acknowledged");
      }
      return;
    }
    const MqttAnswer answer = AnswerCommand(topics, in, &SendStationCommand);
    if (!answer.log.empty()) Log(answer.log);
    Publish(answer.publish);
  }

  bool Setup(std::string& error) {
    std::random_device random;
    MqttConnection connection;
    connection.url = url;
    connection.caFile = options.caFile;
    connection.clientId = "swrctl-" + topics.node + "-" + std::to_string(random() % 1000000);
    connection.will = {topics.availability, "offline", true};
    MqttClient::Events events;
    events.connected = [this] { OnConnected(); };
    events.lost = [this](const std::string& why) { OnLost(why); };
    events.message = [this](const MqttIncoming& in) { OnMessage(in); };
    return client.Setup(connection, std::move(events), error);
  }

  // Waits up to `ms` unless stopped; true when stopping.
  bool Wait(int ms) {
    std::unique_lock<std::mutex> lock(mutex);
    return wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping; });
  }

  bool Stopping() {
    std::lock_guard<std::mutex> lock(mutex);
    return stopping;
  }

  // From the announcing thread: note, and cut the client's wait short.
  void Told(Changes what) {
    if (changed.fetch_or(what) == 0) client.Wake();
  }

  // How long the client may wait: until what the time brings is due.
  int WaitMs(std::int64_t now) const {
    std::int64_t until = now + kMaxWaitMs;
    const std::int64_t due = publisher.DueMs();
    if (due != 0) until = std::min(until, due);
    return static_cast<int>(std::max<std::int64_t>(0, until - now));
  }

  // What changed, or came due, published.
  void Follow() {
    const Changes what = changed.exchange(0);
    const std::int64_t now = SteadyNowMs();
    const std::int64_t due = publisher.DueMs();
    if ((what & (change::kReading | change::kLink)) != 0 || (due != 0 && now >= due)) {
      Publish(publisher.Changed(live.Get(now), now));
    }
    if ((what & change::kTransmission) != 0) PublishTransmissions();
    if ((what & change::kQso) != 0) PublishQsos();
    PublishWatch(what);
  }

  void Run() {
    while (!Stopping()) {
      const std::int64_t now = SteadyNowMs();
      if (reconnect.Due(now)) client.Connect();
      // Without a connection nothing is published: the time to the next
      // attempt (or to Stop).
      if (!client.Run(WaitMs(now))) {
        if (Wait(reconnect.WaitMs(SteadyNowMs(), kMaxWaitMs))) break;
        continue;
      }
      if (client.Connected()) Follow();
    }
    if (client.Connected()) {
      // Unlike the last will, a clean disconnect says offline itself.
      client.Publish({topics.availability, "offline", true});
      client.Disconnect(1000);
    }
  }

  // Each finished transmission once, retained: the last one is what Home
  // Assistant's sensors show. One that ended while the broker was away is
  // published at the next connection (the last kKept of them).
  void PublishTransmissions() {
    if (log == nullptr) return;
    std::vector<Transmission> fresh;
    transmissionsSeen = log->Finished().Since(transmissionsSeen, fresh);
    for (const Transmission& t : fresh) Publish({{topics.transmission, TransmissionJson(t), true}});
  }

  // Each QSO as stored and again as filled in, retained like the
  // transmissions: the last one is the state of Home Assistant's QSO
  // sensors, also for a subscriber that comes later. Those stored while the
  // broker was away go at the next connection (the last kKept of them).
  void PublishQsos() {
    if (log == nullptr) return;
    std::vector<Qso> fresh;
    qsosSeen = log->Qsos().Since(qsosSeen, fresh);
    for (const Qso& q : fresh) Publish({{topics.qso, QsoJson(q), true}});
  }

  // The rig, the alarm and the bands table, those among `what`, retained.
  void PublishWatch(Changes what) {
    if (watch == nullptr) return;
    if (watch->rigGiven && (what & change::kRig) != 0) {
      client.Publish({topics.rig, RigJson(watch->rig.Snapshot()), true});
    }
    if ((what & change::kAlarm) != 0) {
      const AlarmState alarm = watch->alarm.State();
      client.Publish({topics.alarm, AlarmJson(alarm, watch->alarm.Settings()), true});
      client.Publish({topics.alarmState, AlarmStatePayload(alarm), true});
    }
    if ((what & change::kBands) != 0) {
      client.Publish({topics.bands, BandsJson(watch->health.Table(), watch->health.Settings()), true});
    }
  }

  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    wake.notify_all();
    client.Wake();
    if (thread.joinable()) thread.join();
    subscription.Reset();
  }
};

void MqttBridge::SetLog(const StationLog* log) { impl_->log = log; }
void MqttBridge::SetWatch(StationWatch* watch) { impl_->watch = watch; }

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
  if (!impl_->Setup(error)) return false;
  impl_->subscription = impl_->live.Subscribe(change::kAll, [impl = impl_.get()](Changes what) {
    impl->Told(what);
  });
  impl_->thread = std::thread([impl = impl_.get()] {
    NameThisThread("swr-mqtt");
    impl->Run();
  });
  return true;
}

void MqttBridge::Stop() { impl_->Stop(); }

std::string MqttBridge::Shown() const { return ShownUrl(impl_->url); }

}  // namespace station
