// The WSJT-X listener on the shared UDP sources: each datagram (one larger
// than kWsjtxMaxDatagram is dropped whole) parsed with its sender's
// dialect, the followed sender's Status kept in the box, the logged QSOs
// handed on; the heard, closed and silent senders are UdpSources' own.
#include "station/wsjtx/wsjtx_listener.h"

#include <iostream>
#include <vector>

#include "station/core/clock.h"
#include "station/udp/udp_sources.h"
#include "station/wsjtx/wsjtx_message.h"
#include "station/wsjtx/wsjtx_qso.h"
#include "station/wsjtx/wsjtx_rig.h"

namespace station {

namespace asio = boost::asio;
using asio::ip::udp;

namespace {

// What a sender has besides its id, address and times (UdpSource), by
// the same index.
struct Sender {
  WsjtxDialect dialect = WsjtxDialect::Wsjtx;
  std::uint32_t schema = 2;  // of its latest datagram: Halt Tx goes in the same
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
      : address(std::move(a)),
        box(b),
        sources(UdpSourcesSetup{"swr-wsjtx", "WSJT-X", "senders", t.silenceMs, Shown, std::move(l),
                                [this](int, bool followed) {
                                  if (followed) box.Store(RigState{});
                                }}) {
    senders.reserve(kMaxUdpSources);
  }

  void OnDatagram(std::string_view bytes, const udp::endpoint& from);
  void OnMessage(int index, const WsjtxMessage& m);
  void OnLogged(const WsjtxMessage& m);
  void Halt(std::function<void(const HaltReport&)> done);

  WsjtxAddress address;
  RigStateBox& box;
  QsoHandOff qsos;
  UdpSources sources;
  std::vector<Sender> senders;  // by the index of its UdpSource
};

void WsjtxListener::Impl::OnDatagram(std::string_view bytes, const udp::endpoint& from) {
  if (bytes.size() > kWsjtxMaxDatagram) return;
  const std::optional<WsjtxHeader> header = ParseWsjtxHeader(bytes);
  if (!header) return;  // not for us: another program's datagram, or another schema
  const int index = sources.Find(header->id, from);
  if (index < 0) return;
  if (index == static_cast<int>(senders.size())) {
    senders.push_back(Sender{WsjtxDialectOf(header->id, ""), 2});
  }
  Sender& sender = senders[static_cast<std::size_t>(index)];
  sender.schema = header->schema;
  const WsjtxMessage m = ParseWsjtx(bytes, sender.dialect);
  if (m.result == WsjtxParse::Unknown) return;
  if (m.result != WsjtxParse::Ok) {
    return sources.SayBroken(Shown(header->id) + " at " + EndpointText(from));
  }
  OnMessage(index, m);
}

void WsjtxListener::Impl::OnMessage(int index, const WsjtxMessage& m) {
  const auto type = static_cast<WsjtxType>(m.header.type);
  if (type == WsjtxType::Close) return sources.Quiet(index, "closed");
  Sender& sender = senders[static_cast<std::size_t>(index)];
  if (type == WsjtxType::Heartbeat) {
    sender.dialect = WsjtxDialectOf(sources[index].key, m.heartbeat.version);
  }
  sources.Heard(index, Shown(m.heartbeat.version));
  if (sources.Follow(index)) {
    RigState heard;
    heard.connected = true;  // tuning unknown until its first Status
    box.Store(heard);
  }
  if (sources.Followed() == index && type == WsjtxType::Status) box.Store(RigFromWsjtx(m.status));
  if (type == WsjtxType::QsoLogged || type == WsjtxType::LoggedAdif) OnLogged(m);
}

// Any sender's QSO is the station's, followed or not: two programs may
// work on two transceivers, and the log matches each QSO by its band.
void WsjtxListener::Impl::OnLogged(const WsjtxMessage& m) {
  if (!qsos.Wanted()) return;
  if (const std::optional<Qso> qso = QsoOfWsjtx(m)) qsos.Give(*qso);
}

void WsjtxListener::Impl::Halt(std::function<void(const HaltReport&)> done) {
  const auto report = [&done](const char* outcome, const std::string& detail) {
    if (done) done(HaltReport{outcome, detail, UnixNowMs(), SteadyNowMs()});
  };
  const int followed = sources.Followed();
  if (followed < 0) return report("failed", "no WSJT-X or JTDX heard");
  const UdpSource& s = sources[followed];
  const std::string datagram =
      EncodeWsjtxHaltTx(s.key, false, senders[static_cast<std::size_t>(followed)].schema);
  boost::system::error_code ec;
  // Small and to loopback or the LAN: sent at once, without waiting.
  sources.Receiver().SendTo(datagram, s.from, ec);
  const std::string to = "Halt Tx to " + Shown(s.key) + " at " + EndpointText(s.from);
  if (ec) return report("failed", to + ": " + ec.message());
  report("sent", to);
}

WsjtxListener::WsjtxListener(WsjtxAddress address, RigStateBox& box,
                             std::function<void(const std::string&)> log, WsjtxListenerTiming timing)
    : impl_(std::make_unique<Impl>(std::move(address), box, std::move(log), timing)) {}

WsjtxListener::~WsjtxListener() { Stop(); }

bool WsjtxListener::Open(std::string& error) {
  // Other listeners of a group go on hearing it; a unicast port is not
  // shared, so that a second program on it is told so instead of losing
  // datagrams to us.
  UdpBind bind;
  bind.address = impl_->address;
  return impl_->sources.Open(bind, error);
}

void WsjtxListener::OnQso(std::function<void(const Qso&)> sink) {
  if (!impl_->sources.Started()) impl_->qsos.To(std::move(sink));
}

void WsjtxListener::Start() {
  impl_->sources.Start([this](std::string_view bytes, const udp::endpoint& from) {
    impl_->OnDatagram(bytes, from);
  });
}

void WsjtxListener::Stop() {
  if (!impl_->sources.Started()) return;
  impl_->sources.Stop();
  impl_->box.Store(RigState{});
}

void WsjtxListener::RequestHalt(std::function<void(const HaltReport&)> done) {
  asio::post(impl_->sources.Receiver().Io(), [this, done = std::move(done)] { impl_->Halt(done); });
}

std::function<void(const std::string&)> WsjtxLogToStderr() {
  return [](const std::string& line) { std::cerr << "swrctl: wsjtx: " + line + "\n" << std::flush; };
}

}  // namespace station
