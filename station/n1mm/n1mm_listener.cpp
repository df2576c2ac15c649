// The N1MM Logger+ listener on the shared UDP sources: each datagram read
// by the bounded XML reader, the radios of each station kept and the
// followed station's chosen one written into the box, the contacts handed
// on as QSOs; the heard and silent stations are UdpSources' own.
#include "station/n1mm/n1mm_listener.h"

#include <iostream>
#include <vector>

#include "station/n1mm/n1mm_message.h"
#include "station/udp/udp_sources.h"
#include "station/wsjtx/wsjtx_qso.h"

namespace station {

using boost::asio::ip::udp;

namespace {

constexpr std::size_t kMaxRadios = 8;  // per station (SO2R has two)

std::string Named(const std::string& station) {
  return station.empty() ? "N1MM Logger+" : "N1MM Logger+ station " + station;
}

}  // namespace

struct N1mmListener::Impl {
  Impl(UdpAddress a, RigStateBox& b, std::function<void(const std::string&)> l, N1mmListenerTiming t)
      : address(std::move(a)),
        box(b),
        sources(UdpSourcesSetup{"swr-n1mm", "N1MM Logger+", "stations", t.silenceMs, Named,
                                std::move(l),
                                [this](int index, bool followed) { OnQuiet(index, followed); }}) {
    radios.reserve(kMaxUdpSources);
  }

  void OnDatagram(std::string_view bytes, const udp::endpoint& from);
  void OnRadio(int index, const N1mmRadio& radio);
  void OnQuiet(int index, bool followed);

  UdpAddress address;
  RigStateBox& box;
  QsoHandOff qsos;  // the same memory of QSOs handed on as WSJT-X's
  UdpSources sources;
  std::vector<std::vector<N1mmRadio>> radios;  // of each station, by the index of its UdpSource
};

void N1mmListener::Impl::OnDatagram(std::string_view bytes, const udp::endpoint& from) {
  const N1mmMessage m = ParseN1mm(bytes);
  if (m.result == N1mmParse::Broken) return sources.SayBroken(EndpointText(from));
  if (m.result == N1mmParse::Contact && m.qso) qsos.Give(*m.qso);
  if (m.result != N1mmParse::Radio) return;
  const int index = sources.Find(m.radio.station, from);
  if (index < 0) return;
  if (index == static_cast<int>(radios.size())) radios.emplace_back();
  OnRadio(index, m.radio);
}

void N1mmListener::Impl::OnRadio(int index, const N1mmRadio& radio) {
  sources.Heard(index);
  std::vector<N1mmRadio>& station = radios[static_cast<std::size_t>(index)];
  N1mmRadio* kept = nullptr;
  for (N1mmRadio& r : station) {
    if (r.radioNr == radio.radioNr) kept = &(r = radio);
  }
  if (kept == nullptr && station.size() < kMaxRadios) {
    station.push_back(radio);
    kept = &station.back();
  }
  sources.Follow(index);
  if (sources.Followed() != index || kept == nullptr) return;
  if (const N1mmRadio* chosen = ChosenRadio(station, kept)) box.Store(RigFromN1mm(*chosen));
}

// A silent station's radios are forgotten; the followed one's leaves the
// box disconnected.
void N1mmListener::Impl::OnQuiet(int index, bool followed) {
  radios[static_cast<std::size_t>(index)].clear();
  if (followed) box.Store(RigState{});
}

N1mmListener::N1mmListener(UdpAddress address, RigStateBox& box,
                           std::function<void(const std::string&)> log, N1mmListenerTiming timing)
    : impl_(std::make_unique<Impl>(std::move(address), box, std::move(log), timing)) {}

N1mmListener::~N1mmListener() { Stop(); }

bool N1mmListener::Open(std::string& error) {
  // N1MM's port is shared: other programs on this machine take the same
  // broadcasts, and N1MM may send to a broadcast address.
  UdpBind bind;
  bind.address = impl_->address;
  bind.shared = true;
  bind.broadcast = true;
  return impl_->sources.Open(bind, error);
}

void N1mmListener::OnQso(std::function<void(const Qso&)> sink) {
  if (!impl_->sources.Started()) impl_->qsos.To(std::move(sink));
}

void N1mmListener::Start() {
  impl_->sources.Start([this](std::string_view bytes, const udp::endpoint& from) {
    impl_->OnDatagram(bytes, from);
  });
}

void N1mmListener::Stop() {
  if (!impl_->sources.Started()) return;
  impl_->sources.Stop();
  impl_->box.Store(RigState{});
}

std::function<void(const std::string&)> N1mmLogToStderr() {
  return [](const std::string& line) { std::cerr << "swrctl: n1mm: " + line + "\n" << std::flush; };
}

}  // namespace station
