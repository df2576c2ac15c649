// The WSJT-X listener: the shared UDP receiver's thread takes each datagram
// (one larger than kWsjtxMaxDatagram is dropped whole), and one timer on
// its io_context is armed for the moment the followed sender would fall
// silent, so the thread wakes only for datagrams and at most once per
// silence time.
#include "station/wsjtx/wsjtx_listener.h"

#include <chrono>
#include <iostream>
#include <vector>

#include "station/core/clock.h"
#include "station/udp/udp_receiver.h"
#include "station/wsjtx/wsjtx_message.h"
#include "station/wsjtx/wsjtx_qso.h"
#include "station/wsjtx/wsjtx_rig.h"

namespace station {

namespace asio = boost::asio;
using asio::ip::udp;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

namespace {

constexpr std::size_t kMaxSenders = 8;  // senders remembered; more are not followed

struct Sender {
  std::string id;
  udp::endpoint from;
  WsjtxDialect dialect = WsjtxDialect::Wsjtx;
  std::uint32_t schema = 2;  // of its latest datagram: Halt Tx goes in the same
  Clock::time_point heardAt;
  bool heard = false;  // heard since it last closed or fell silent
};

// A sender's own text for a log line: printable ASCII, at most 64 bytes.
std::string Shown(const std::string& text) {
  std::string out = text.substr(0, 64);
  for (char& c : out) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return out;
}

}  // namespace

struct WsjtxListener::Impl {
  Impl(WsjtxAddress a, RigStateBox& b, std::function<void(const std::string&)> l, WsjtxListenerTiming t)
      : address(std::move(a)), box(b), log(std::move(l)), timing(t) {}

  void OnDatagram(std::string_view bytes, const udp::endpoint& from);
  Sender* Find(const std::string& id, const udp::endpoint& from);
  void OnMessage(Sender& sender, const WsjtxMessage& m);
  void OnLogged(const WsjtxMessage& m);
  void Quiet(Sender& sender, const std::string& why);
  void ArmSilence(Clock::time_point at);
  void Halt(std::function<void(const HaltReport&)> done);
  void Say(const std::string& line) {
    if (log) log(line);
  }

  WsjtxAddress address;
  RigStateBox& box;
  std::function<void(const std::string&)> log;
  std::function<void(const Qso&)> qsoSink;
  WsjtxQsoSeen qsosSeen;
  WsjtxListenerTiming timing;
  UdpReceiver receiver{"swr-wsjtx"};
  asio::steady_timer silence{receiver.Io()};
  std::vector<Sender> senders;
  int followed = -1;  // the sender whose Status the box holds
  bool saidBroken = false;
  bool saidFull = false;
  bool armed = false;  // the silence timer is set
  bool started = false;
};

void WsjtxListener::Impl::OnDatagram(std::string_view bytes, const udp::endpoint& from) {
  if (bytes.size() > kWsjtxMaxDatagram) return;
  const std::optional<WsjtxHeader> header = ParseWsjtxHeader(bytes);
  if (!header) return;  // not for us: another program's datagram, or another schema
  Sender* sender = Find(header->id, from);
  if (sender == nullptr) return;
  sender->schema = header->schema;
  const WsjtxMessage m = ParseWsjtx(bytes, sender->dialect);
  if (m.result == WsjtxParse::Unknown) return;
  if (m.result != WsjtxParse::Ok) {
    if (!saidBroken) Say("ignoring broken datagrams from " + Shown(sender->id) + " at " + EndpointText(from));
    saidBroken = true;
    return;
  }
  OnMessage(*sender, m);
}

// The sender of `id`, remembered once; null when too many are.
Sender* WsjtxListener::Impl::Find(const std::string& id, const udp::endpoint& at) {
  for (Sender& s : senders) {
    if (s.id == id) {
      s.from = at;
      return &s;
    }
  }
  if (senders.size() >= kMaxSenders) {
    if (!saidFull) Say("hearing more than " + std::to_string(kMaxSenders) + " senders; ignoring the others");
    saidFull = true;
    return nullptr;
  }
  senders.push_back(Sender{id, at, WsjtxDialectOf(id, ""), 2, {}, false});
  return &senders.back();
}

void WsjtxListener::Impl::OnMessage(Sender& sender, const WsjtxMessage& m) {
  const int index = static_cast<int>(&sender - senders.data());
  const auto type = static_cast<WsjtxType>(m.header.type);
  if (type == WsjtxType::Close) return sender.heard ? Quiet(sender, "closed") : void();
  if (type == WsjtxType::Heartbeat) sender.dialect = WsjtxDialectOf(sender.id, m.heartbeat.version);
  sender.heardAt = Clock::now();
  if (!sender.heard) {
    const std::string version = Shown(m.heartbeat.version);
    Say("heard " + Shown(sender.id) + (version.empty() ? "" : " " + version) + " at " +
        EndpointText(sender.from));
    sender.heard = true;
    if (!armed) ArmSilence(sender.heardAt + Ms(timing.silenceMs));
  }
  if (followed < 0) {
    followed = index;
    RigState heard;
    heard.connected = true;  // tuning unknown until its first Status
    box.Store(heard);
  }
  if (followed == index && type == WsjtxType::Status) box.Store(RigFromWsjtx(m.status));
  if (type == WsjtxType::QsoLogged || type == WsjtxType::LoggedAdif) OnLogged(m);
}

// Any sender's QSO is the station's, followed or not: two programs may
// work on two transceivers, and the log matches each QSO by its band.
void WsjtxListener::Impl::OnLogged(const WsjtxMessage& m) {
  if (!qsoSink) return;
  const std::optional<Qso> qso = QsoOfWsjtx(m);
  if (qso && qsosSeen.First(*qso)) qsoSink(*qso);
}

void WsjtxListener::Impl::Quiet(Sender& sender, const std::string& why) {
  sender.heard = false;
  Say(Shown(sender.id) + " at " + EndpointText(sender.from) + " " + why);
  if (followed != static_cast<int>(&sender - senders.data())) return;
  followed = -1;
  box.Store(RigState{});
}

// Wakes when the first heard sender would fall silent, says each one that
// has, and sleeps until the next one would.
void WsjtxListener::Impl::ArmSilence(Clock::time_point at) {
  armed = true;
  silence.expires_at(at);
  silence.async_wait([this](const boost::system::error_code& ec) {
    if (ec) return;
    armed = false;
    const Clock::time_point now = Clock::now();
    std::optional<Clock::time_point> next;
    for (Sender& s : senders) {
      if (!s.heard) continue;
      const Clock::time_point quietAt = s.heardAt + Ms(timing.silenceMs);
      if (quietAt <= now) {
        Quiet(s, "silent for " + std::to_string(timing.silenceMs / 1000) + " s");
      } else if (!next || quietAt < *next) {
        next = quietAt;
      }
    }
    if (next) ArmSilence(*next);
  });
}

void WsjtxListener::Impl::Halt(std::function<void(const HaltReport&)> done) {
  const auto report = [&done](const char* outcome, const std::string& detail) {
    if (done) done(HaltReport{outcome, detail, UnixNowMs(), SteadyNowMs()});
  };
  if (followed < 0) return report("failed", "no WSJT-X or JTDX heard");
  const Sender& s = senders[static_cast<std::size_t>(followed)];
  const std::string datagram = EncodeWsjtxHaltTx(s.id, false, s.schema);
  boost::system::error_code ec;
  // Small and to loopback or the LAN: sent at once, without waiting.
  receiver.SendTo(datagram, s.from, ec);
  const std::string to = "Halt Tx to " + Shown(s.id) + " at " + EndpointText(s.from);
  if (ec) return report("failed", to + ": " + ec.message());
  report("sent", to);
}

WsjtxListener::WsjtxListener(WsjtxAddress address, RigStateBox& box,
                             std::function<void(const std::string&)> log, WsjtxListenerTiming timing)
    : impl_(std::make_unique<Impl>(std::move(address), box, std::move(log), timing)) {
  impl_->senders.reserve(kMaxSenders);
}

WsjtxListener::~WsjtxListener() { Stop(); }

bool WsjtxListener::Open(std::string& error) {
  // Other listeners of a group go on hearing it; a unicast port is not
  // shared, so that a second program on it is told so instead of losing
  // datagrams to us.
  UdpBind bind;
  bind.address = impl_->address;
  if (impl_->receiver.Open(bind, error)) return true;
  error = "cannot listen for WSJT-X on " + WsjtxAddressText(impl_->address) + ": " + error;
  return false;
}

void WsjtxListener::OnQso(std::function<void(const Qso&)> sink) {
  if (!impl_->started) impl_->qsoSink = std::move(sink);
}

void WsjtxListener::Start() {
  impl_->started = true;
  impl_->receiver.Start([this](std::string_view bytes, const udp::endpoint& from) {
    impl_->OnDatagram(bytes, from);
  });
}

void WsjtxListener::Stop() {
  if (!impl_->started) return;
  asio::post(impl_->receiver.Io(), [this] { impl_->silence.cancel(); });
  impl_->receiver.Stop();
  impl_->started = false;
  impl_->box.Store(RigState{});
}

void WsjtxListener::RequestHalt(std::function<void(const HaltReport&)> done) {
  asio::post(impl_->receiver.Io(), [this, done = std::move(done)] { impl_->Halt(done); });
}

std::function<void(const std::string&)> WsjtxLogToStderr() {
  return [](const std::string& line) { std::cerr << "swrctl: wsjtx: " + line + "\n" << std::flush; };
}

}  // namespace station
