// The N1MM Logger+ listener on the shared UDP receiver: each datagram read
// by the bounded XML reader, the followed station's radios kept, and one
// timer armed for the moment the followed station would fall silent.
#include "station/n1mm/n1mm_listener.h"

#include <chrono>
#include <iostream>
#include <vector>

#include "station/n1mm/n1mm_message.h"
#include "station/udp/udp_receiver.h"
#include "station/wsjtx/wsjtx_qso.h"

namespace station {

namespace asio = boost::asio;
using asio::ip::udp;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

namespace {

constexpr std::size_t kMaxStations = 8;  // remembered; more are not followed
constexpr std::size_t kMaxRadios = 8;    // per station (SO2R has two)

struct Station {
  std::string name;
  udp::endpoint from;
  Clock::time_point heardAt;
  bool heard = false;  // heard since it last fell silent
  std::vector<N1mmRadio> radios;
};

std::string Named(const std::string& station) {
  return station.empty() ? "N1MM Logger+" : "N1MM Logger+ station " + station;
}

}  // namespace

struct N1mmListener::Impl {
  Impl(UdpAddress a, RigStateBox& b, std::function<void(const std::string&)> l, N1mmListenerTiming t)
      : address(std::move(a)), box(b), log(std::move(l)), timing(t) {}

  void OnDatagram(std::string_view bytes, const udp::endpoint& from);
  Station* Find(const std::string& name, const udp::endpoint& from);
  void OnRadio(Station& station, const N1mmRadio& radio);
  void CheckSilence();
  void Say(const std::string& line) {
    if (log) log(line);
  }

  UdpAddress address;
  RigStateBox& box;
  std::function<void(const std::string&)> log;
  std::function<void(const Qso&)> qsoSink;
  WsjtxQsoSeen qsosSeen;  // the same memory of QSOs handed on as WSJT-X's
  N1mmListenerTiming timing;
  UdpReceiver receiver{"swr-n1mm"};
  asio::steady_timer silence{receiver.Io()};
  std::vector<Station> stations;
  int followed = -1;  // the station whose radio the box holds
  bool saidBroken = false;
  bool saidFull = false;
  bool armed = false;
  bool started = false;
};

void N1mmListener::Impl::OnDatagram(std::string_view bytes, const udp::endpoint& from) {
  const N1mmMessage m = ParseN1mm(bytes);
  if (m.result == N1mmParse::Broken) {
    if (!saidBroken) Say("ignoring broken datagrams from " + EndpointText(from));
    saidBroken = true;
    return;
  }
  if (m.result == N1mmParse::Contact && m.qso && qsoSink && qsosSeen.First(*m.qso)) qsoSink(*m.qso);
  if (m.result != N1mmParse::Radio) return;
  if (Station* station = Find(m.radio.station, from)) OnRadio(*station, m.radio);
}

// The station named `name`, remembered once; null when too many are.
Station* N1mmListener::Impl::Find(const std::string& name, const udp::endpoint& from) {
  for (Station& s : stations) {
    if (s.name == name) {
      s.from = from;
      return &s;
    }
  }
  if (stations.size() >= kMaxStations) {
    if (!saidFull) {
      Say("hearing more than " + std::to_string(kMaxStations) + " stations; ignoring the others");
    }
    saidFull = true;
    return nullptr;
  }
  stations.push_back(Station{name, from, {}, false, {}});
  return &stations.back();
}

void N1mmListener::Impl::OnRadio(Station& station, const N1mmRadio& radio) {
  station.heardAt = Clock::now();
  if (!station.heard) {
    Say("heard " + Named(station.name) + " at " + EndpointText(station.from));
    station.heard = true;
    if (!armed) {
      armed = true;
      silence.expires_at(station.heardAt + Ms(timing.silenceMs));
      silence.async_wait([this](const boost::system::error_code& ec) {
        if (!ec) CheckSilence();
      });
    }
  }
  N1mmRadio* kept = nullptr;
  for (N1mmRadio& r : station.radios) {
    if (r.radioNr == radio.radioNr) kept = &(r = radio);
  }
  if (kept == nullptr && station.radios.size() < kMaxRadios) {
    station.radios.push_back(radio);
    kept = &station.radios.back();
  }
  const int index = static_cast<int>(&station - stations.data());
  if (followed < 0) followed = index;
  if (followed != index || kept == nullptr) return;
  if (const N1mmRadio* chosen = ChosenRadio(station.radios, kept)) box.Store(RigFromN1mm(*chosen));
}

// Says each station that has fallen silent (the followed one leaves the
// box disconnected) and sleeps until the next one would.
void N1mmListener::Impl::CheckSilence() {
  armed = false;
  const Clock::time_point now = Clock::now();
  std::optional<Clock::time_point> next;
  for (Station& s : stations) {
    if (!s.heard) continue;
    const Clock::time_point quietAt = s.heardAt + Ms(timing.silenceMs);
    if (quietAt > now) {
      if (!next || quietAt < *next) next = quietAt;
      continue;
    }
    s.heard = false;
    s.radios.clear();
    Say(Named(s.name) + " at " + EndpointText(s.from) + " silent for " +
        std::to_string(timing.silenceMs / 1000) + " s");
    if (followed == static_cast<int>(&s - stations.data())) {
      followed = -1;
      box.Store(RigState{});
    }
  }
  if (!next) return;
  armed = true;
  silence.expires_at(*next);
  silence.async_wait([this](const boost::system::error_code& ec) {
    if (!ec) CheckSilence();
  });
}

N1mmListener::N1mmListener(UdpAddress address, RigStateBox& box,
                           std::function<void(const std::string&)> log, N1mmListenerTiming timing)
    : impl_(std::make_unique<Impl>(std::move(address), box, std::move(log), timing)) {
  impl_->stations.reserve(kMaxStations);
}

N1mmListener::~N1mmListener() { Stop(); }

bool N1mmListener::Open(std::string& error) {
  // N1MM's port is shared: other programs on this machine take the same
  // broadcasts, and N1MM may send to a broadcast address.
  UdpBind bind;
  bind.address = impl_->address;
  bind.shared = true;
  bind.broadcast = true;
  if (impl_->receiver.Open(bind, error)) return true;
  error = "cannot listen for N1MM Logger+ on " + UdpAddressText(impl_->address) + ": " + error;
  return false;
}

void N1mmListener::OnQso(std::function<void(const Qso&)> sink) {
  if (!impl_->started) impl_->qsoSink = std::move(sink);
}

void N1mmListener::Start() {
  impl_->started = true;
  impl_->receiver.Start([this](std::string_view bytes, const udp::endpoint& from) {
    impl_->OnDatagram(bytes, from);
  });
}

void N1mmListener::Stop() {
  if (!impl_->started) return;
  asio::post(impl_->receiver.Io(), [this] { impl_->silence.cancel(); });
  impl_->receiver.Stop();
  impl_->started = false;
  impl_->box.Store(RigState{});
}

std::function<void(const std::string&)> N1mmLogToStderr() {
  return [](const std::string& line) { std::cerr << "swrctl: n1mm: " + line + "\n" << std::flush; };
}

}  // namespace station
