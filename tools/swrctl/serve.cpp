// swrctl serve: the station service started from its options, run until a
// stop is requested; see serve.h.
#include "tools/swrctl/serve.h"


#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/host_name.hpp>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>
#include <thread>

#include "station/core/clock.h"
#include "station/core/demo_control.h"
#include "station/core/device_loop.h"
#include "station/core/exit_status.h"
#include "station/core/plain_text.h"
#include "station/core/thread_name.h"
#include "station/core/token.h"
#include "station/health/station_watch.h"
#include "station/http/access.h"
#include "station/http/http_server.h"
#include "station/log/health_seed.h"
#include "station/log/log_feed.h"
#include "station/log/log_store.h"
#include "station/mqtt/mqtt_bridge.h"
#include "station/n1mm/n1mm_listener.h"
#include "station/n1mm/n1mm_options.h"
#include "station/rig/demo_rig.h"
#include "station/rig/rig_link.h"
#include "station/rig/rig_sources.h"
#include "station/wsjtx/wsjtx_listener.h"
#include "station/wsjtx/wsjtx_options.h"
#include "tools/swrctl/log_command.h"

namespace swrctl {
using namespace ::station;

bool ParseListen(const std::string& text, std::string& host, unsigned short& port) {
  const std::size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = text.substr(0, colon);
  const std::string digits = text.substr(colon + 1);
  long value = 0;
  if (digits.size() > 5 || !ParseNumber(digits, 65535, value)) return false;
  port = static_cast<unsigned short>(value);
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
    boost::system::error_code ec;
    return boost::asio::ip::make_address_v6(host, ec), !ec;
  }
  if (host == "localhost") host = "127.0.0.1";
  // Not the system's parser: some take "1.2.3" or "0x7f.1" as well.
  return Ipv4Literal(host);
}

namespace {

// The station log, unless --no-log. A file refused (another server has it,
// it is no station log) leaves a log object that only tells why: the live
// view goes on without recording.
std::unique_ptr<StationLog> OpenStationLog(const ServeOptions& options, std::ostream& err) {
  if (options.noLog) return nullptr;
  LogSettings settings;
  settings.path = StationLogPath(options);
  settings.keepHistoryDays = static_cast<int>(options.keepHistoryDays);
  settings.keepTransmissionDays = static_cast<int>(options.keepTransmissionDays);
  if (settings.path.empty()) {
    err << "swrctl: no place for the station log is known (set XDG_STATE_HOME or HOME, or give"
           " --log FILE); serving without recording\n";
    return nullptr;
  }
  auto log = std::make_unique<StationLog>(settings, err);
  std::string error;
  if (!log->Open(error)) err << "swrctl: " << error << "; serving without recording\n";
  return log;
}

}  // namespace

namespace {

// Who may ask for what at this address, with the token (new, or from the
// token file); an exit status other than 0 when there is none to be had.
int MakePolicy(const ServeOptions& options, const boost::asio::ip::address& address,
               AccessPolicy& policy, std::ostream& err) {
  policy.readOnly = options.readOnly;
  policy.loopbackOnly = address.is_loopback();
  boost::system::error_code ec;
  policy.hostName = boost::asio::ip::host_name(ec);
  for (char& c : policy.hostName) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // MQTT only (--no-http) has no API for a token to guard.
  if (!options.http) return kExitOk;
  std::string error;
  if (options.tokenFile.empty()) {
    policy.token = NewToken();
    if (!policy.token.empty()) return kExitOk;
    err << "swrctl: the system gave no random numbers for the access token\n";
    return kExitFailure;
  }
  if (TokenFromFile(options.tokenFile, policy.token, error)) return kExitOk;
  err << "swrctl: " << error << '\n';
  return kExitFailure;
}

// The detector fed from the live state and the rig into the log, when
// there is one, and into the antenna's health (first given what the log
// already holds) and the alarm.
std::unique_ptr<LogFeed> StartRecording(const ServeOptions& options, LiveState& live,
                                        StationLog* log, StationWatch& watch, std::ostream& err) {
  if (log != nullptr && !log->Usable()) log = nullptr;
  DetectorConfig detector;
  detector.thresholdW = options.txThresholdW;
  detector.hangMs = options.txHangMs;
  auto feed = std::make_unique<LogFeed>(live, log, &watch, detector);
  std::string error;
  if (log != nullptr && !SeedHealth(log->Path(), watch.health, error)) {
    err << "swrctl: the antenna's health starts empty: the station log cannot be read: " << error
        << '\n';
  }
  if (log != nullptr) log->Start();
  feed->Start();
  return feed;
}

// The rig's and the alarm's changes are told through the live state, where
// every consumer follows the station.
std::unique_ptr<StationWatch> MakeWatch(const ServeOptions& options, LiveState& live,
                                        std::ostream& err) {
  HealthSettings health;
  health.window = options.healthWindow;
  health.margin = options.healthMarginTenths / 10.0;
  AlarmSettings alarm;
  alarm.limitTenths = options.swrAlarmTenths;
  alarm.holdMs = options.swrAlarmHoldMs;
  alarm.minWatts = options.swrAlarmWatts;
  alarm.halt = options.swrAlarmHalt;
  const AlarmWindow window{options.alarmBeforeSeconds * 1000, options.alarmAfterSeconds * 1000};
  auto watch = std::make_unique<StationWatch>(health, alarm, window, err);
  StationWatch* w = watch.get();
  watch->rig.SetListener([&live](const RigState&) { live.Announce(change::kRig); });
  watch->alarm.SetListener([&live, w] {
    w->recorder.Changed();
    live.Announce(change::kAlarm);
  });
  // The readings around each alarm, at the controller's rate.
  if (alarm.limitTenths > 0) {
    live.SetReadingTap([w](const ReadingValues& r) { w->recorder.OnReading(r); });
  }
  return watch;
}

// The transceiver's sources: rigctld's link with --rig, the N1MM and
// WSJT-X listeners with --n1mm and --wsjtx, merged by RigSources' one rule;
// without any, the demo executables' simulated transceiver (the real
// swrctl has none, so it never makes a rig up). Members end in reverse:
// the sources' threads before the merge they write into.
struct RigFeeds {
  std::unique_ptr<RigSources> sources;
  std::unique_ptr<RigLink> link;
  std::unique_ptr<WsjtxListener> wsjtx;
  std::unique_ptr<N1mmListener> n1mm;
};

// The listeners' sockets, opened before anything else starts so that an
// address in use ends serve at once; false said on `err`.
bool OpenListeners(const ServeOptions& options, StationWatch& watch, RigFeeds& feeds,
                   std::ostream& err) {
  if (options.rig.empty() && options.wsjtx.empty() && options.n1mm.empty()) return true;
  feeds.sources = std::make_unique<RigSources>(watch.rig);
  UdpAddress address;
  std::string error;
  if (!options.wsjtx.empty() && ParseWsjtxAddress(options.wsjtx, address, error)) {
    feeds.wsjtx = std::make_unique<WsjtxListener>(address, feeds.sources->Of(RigSource::Wsjtx),
                                                  WsjtxLogToStderr());
    if (!feeds.wsjtx->Open(error)) return err << "swrctl: " << error << '\n', false;
  }
  if (!options.n1mm.empty() && ParseN1mmAddress(options.n1mm, address, error)) {
    feeds.n1mm = std::make_unique<N1mmListener>(address, feeds.sources->Of(RigSource::N1mm),
                                                N1mmLogToStderr());
    if (!feeds.n1mm->Open(error)) return err << "swrctl: " << error << '\n', false;
  }
  return true;
}

// The QSOs WSJT-X and N1MM log go into the station log (`log`, null with
// --no-log or a log refused), queued until the log's writer starts; each
// one the log stores or fills in is told to every consumer.
void RouteQsos(StationLog* log, LiveState& live, RigFeeds& feeds) {
  if (log == nullptr) return;
  log->OnQsos([&live] { live.Announce(change::kQso); });
  const auto add = [log](const Qso& qso) { log->AddQso(qso); };
  if (feeds.wsjtx) feeds.wsjtx->OnQso(add);
  if (feeds.n1mm) feeds.n1mm->OnQso(add);
}

// `log`: where the demo's transceiver logs its QSOs (null: nowhere).
void StartRig(const ServeOptions& options, StationWatch& watch, RigFeeds& feeds, StationLog* log,
              std::ostream& err) {
  RigAddress address;
  std::string error;
  if (!options.rig.empty() && ParseRigAddress(options.rig, address, error)) {
    feeds.link = std::make_unique<RigLink>(address, feeds.sources->Of(RigSource::Rig),
                                           RigLogToStderr());
    feeds.link->Start();
  }
  if (feeds.wsjtx) {
    err << "swrctl: wsjtx: listening for WSJT-X and JTDX on " << options.wsjtx << '\n';
    feeds.wsjtx->Start();
  }
  if (feeds.n1mm) {
    err << "swrctl: n1mm: listening for N1MM Logger+ on " << options.n1mm << '\n';
    feeds.n1mm->Start();
  }
  std::function<void(const Qso&)> logQso;
  if (log != nullptr) logQso = [log](const Qso& qso) { log->AddQso(qso); };
  watch.rigGiven = feeds.sources || StartDemoRig(watch.rig, std::move(logQso));
}

void StopRig(RigFeeds& feeds) {
  if (feeds.link) feeds.link->Stop();
  if (feeds.wsjtx) feeds.wsjtx->Stop();
  if (feeds.n1mm) feeds.n1mm->Stop();
}

// What the alarm asks to stop transmitting (with --swr-alarm-halt): the
// sources that key the transmitter, each through its own link.
std::vector<Halter> Halters(RigFeeds& feeds) {
  std::vector<Halter> halters;
  if (RigLink* link = feeds.link.get()) {
    halters.push_back({"rigctld", [link](std::function<void(const HaltReport&)> done) {
                         link->RequestHalt(std::move(done));
                       }});
  }
  if (WsjtxListener* wsjtx = feeds.wsjtx.get()) {
    halters.push_back({"wsjtx", [wsjtx](std::function<void(const HaltReport&)> done) {
                         wsjtx->RequestHalt(std::move(done));
                       }});
  }
  return halters;
}

// Each alarm's record goes into the station log (`log`, null: nowhere), and
// its halt requests to what keys the transmitter.
void RouteAlarms(StationLog* log, StationWatch& watch, RigFeeds& feeds) {
  if (log != nullptr) {
    watch.recorder.SetSink([log](AlarmEvent e) { log->AddAlarm(std::move(e)); });
  }
  watch.recorder.SetHalters(Halters(feeds));
}

// The MQTT side, connecting in the background; null when it cannot be set
// up at all (said on `err`).
std::unique_ptr<MqttBridge> StartMqtt(const ServeOptions& options, LiveState& live,
                                      const StationLog* log, StationWatch* watch,
                                      std::ostream& out, std::ostream& err) {
  const char* password = std::getenv("SWRCTL_MQTT_PASSWORD");
  auto mqtt = std::make_unique<MqttBridge>(live, options.mqtt, options.readOnly,
                                           password != nullptr ? password : "", err);
  mqtt->SetLog(log);
  mqtt->SetWatch(watch);
  std::string error;
  if (!mqtt->Start(error)) {
    err << "swrctl: " << error << '\n';
    return nullptr;
  }
  out << "swrctl: publishing the meter to " << mqtt->Shown() << " under "
      << options.mqtt.prefix << '/' << (options.readOnly ? " (read-only)" : "") << std::endl;
  return mqtt;
}

// The address to open: this machine's name when listening everywhere.
std::string Shown(const boost::asio::ip::address& address, const std::string& host,
                  const AccessPolicy& policy) {
  if (address.is_unspecified()) return policy.hostName.empty() ? "127.0.0.1" : policy.hostName;
  return address.is_v6() ? "[" + host + "]" : host;
}

// The HTTP server on a thread of its own.
std::thread StartHttp(HttpServer& server) {
  return std::thread([&server] {
    NameThisThread("swr-http");
    server.Run();
  });
}

DeviceLoopEnv LoopEnv(WatchEnv& env) {
  DeviceLoopEnv loop;
  loop.localTime = env.localTime;
  loop.unixMs = UnixNowMs;
  loop.steadyMs = SteadyNowMs;
  loop.wait = env.wait;
  loop.stop = env.stop;
  return loop;
}

// --listen's host and port, loopback's default port without it; false after
// a line on err.
bool ListenOn(const ServeOptions& options, std::string& host, unsigned short& port,
              std::ostream& err) {
  host = "127.0.0.1";
  port = kDefaultServePort;
  if (options.listen.empty() || ParseListen(options.listen, host, port)) return true;
  err << "swrctl: --listen must be HOST:PORT with an IP address or localhost and a port"
         " from 0 to 65535 (0: any free port), not '" << options.listen << "'\n";
  return false;
}

}  // namespace

int Serve(const ServeOptions& options, WatchEnv& env, std::ostream& out, std::ostream& err) {
  std::string host;
  unsigned short port = 0;
  if (!ListenOn(options, host, port, err)) return kExitUsage;
  const boost::asio::ip::address address = boost::asio::ip::make_address(host);
  AccessPolicy policy;
  if (const int status = MakePolicy(options, address, policy, err)) return status;

  LiveState live;
  // Made before the server, which reads them, and ended after it.
  std::unique_ptr<StationLog> log;
  const std::unique_ptr<StationWatch> watch = MakeWatch(options, live, err);
  HttpServer server(live, policy, ServerLimits{}, &err);
  std::string error;
  if (options.http && !server.Listen(host, port, error)) {
    err << "swrctl: cannot listen on " << host << ':' << port << ": " << error << '\n';
    return kExitFailure;
  }
  RigFeeds rig;
  if (!OpenListeners(options, *watch, rig, err)) return kExitFailure;
  // Once listening: a server that cannot listen leaves no file. Before the
  // address is printed, so that a client that comes at once finds it running.
  log = OpenStationLog(options, err);
  StationLog* usableLog = log && log->Usable() ? log.get() : nullptr;
  RouteQsos(usableLog, live, rig);
  StartRig(options, *watch, rig, usableLog, err);
  RouteAlarms(usableLog, *watch, rig);
  std::unique_ptr<LogFeed> feed = StartRecording(options, live, log.get(), *watch, err);
  server.SetLog(log.get());
  server.SetWatch(watch.get());
  if (options.http) {
    out << "swrctl: serving the meter at http://" << Shown(address, host, policy) << ':'
        << server.Port()
        << "/#token=" << policy.token << (options.readOnly ? " (read-only)" : "") << std::endl;
  }
  std::unique_ptr<MqttBridge> mqtt;
  if (!options.mqtt.url.empty() &&
      !(mqtt = StartMqtt(options, live, usableLog, watch.get(), out, err))) {
    StopDemoRig();
    return kExitFailure;
  }
  StartDemoControl();

  std::thread httpThread = options.http ? StartHttp(server) : std::thread();
  DeviceLoopEnv loop = LoopEnv(env);
  RunDeviceLoop(live, loop, err);
  StopRig(rig);
  StopDemoRig();
  if (feed) feed->Stop();
  if (log) log->Stop();
  if (mqtt) mqtt->Stop();
  if (options.http) {
    server.Stop();
    httpThread.join();
  }
  err << "swrctl: stopped serving\n";
  return kExitOk;
}

}  // namespace swrctl
