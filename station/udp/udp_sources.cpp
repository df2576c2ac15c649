// The sources a UDP listener hears, their heard and quiet lines and the one
// silence timer; see udp_sources.h.
#include "station/udp/udp_sources.h"

#include <optional>

namespace station {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;

UdpSources::UdpSources(UdpSourcesSetup setup)
    : setup_(std::move(setup)), receiver_(setup_.threadName) {
  sources_.reserve(kMaxUdpSources);
}

UdpSources::~UdpSources() { Stop(); }

bool UdpSources::Open(const UdpBind& bind, std::string& error) {
  if (receiver_.Open(bind, error)) return true;
  error = "cannot listen for " + setup_.program + " on " + UdpAddressText(bind.address) + ": " +
          error;
  return false;
}

void UdpSources::Start(UdpReceiver::Handler handler) {
  started_ = true;
  receiver_.Start(std::move(handler));
}

void UdpSources::Stop() {
  if (!started_) return;
  boost::asio::post(receiver_.Io(), [this] { silence_.cancel(); });
  receiver_.Stop();
  started_ = false;
}

int UdpSources::Find(const std::string& key, const UdpReceiver::Endpoint& from) {
  for (UdpSource& s : sources_) {
    if (s.key == key) {
      s.from = from;
      return static_cast<int>(&s - sources_.data());
    }
  }
  if (sources_.size() >= kMaxUdpSources) {
    if (!saidFull_) {
      Say("hearing more than " + std::to_string(kMaxUdpSources) + " " + setup_.plural +
          "; ignoring the others");
    }
    saidFull_ = true;
    return -1;
  }
  sources_.push_back(UdpSource{key, from, {}, false});
  return static_cast<int>(sources_.size() - 1);
}

void UdpSources::Heard(int index, const std::string& detail) {
  UdpSource& s = sources_[static_cast<std::size_t>(index)];
  s.heardAt = Clock::now();
  if (s.heard) return;
  Say("heard " + setup_.label(s.key) + (detail.empty() ? "" : " " + detail) + " at " +
      EndpointText(s.from));
  s.heard = true;
  if (!armed_) ArmSilence(s.heardAt + Ms(setup_.silenceMs));
}

void UdpSources::Quiet(int index, const std::string& why) {
  UdpSource& s = sources_[static_cast<std::size_t>(index)];
  if (!s.heard) return;
  s.heard = false;
  Say(setup_.label(s.key) + " at " + EndpointText(s.from) + " " + why);
  const bool wasFollowed = followed_ == index;
  if (wasFollowed) followed_ = -1;
  if (setup_.onQuiet) setup_.onQuiet(index, wasFollowed);
}

bool UdpSources::Follow(int index) {
  if (followed_ >= 0) return false;
  followed_ = index;
  return true;
}

void UdpSources::SayBroken(const std::string& what) {
  if (!saidBroken_) Say("ignoring broken datagrams from " + what);
  saidBroken_ = true;
}

void UdpSources::ArmSilence(Clock::time_point at) {
  armed_ = true;
  silence_.expires_at(at);
  silence_.async_wait([this](const boost::system::error_code& ec) {
    if (!ec) CheckSilence();
  });
}

// Says each heard source that has fallen silent, and sleeps until the next
// one would: the thread wakes at most once per silence time.
void UdpSources::CheckSilence() {
  armed_ = false;
  const Clock::time_point now = Clock::now();
  std::optional<Clock::time_point> next;
  for (std::size_t i = 0; i < sources_.size(); ++i) {
    if (!sources_[i].heard) continue;
    const Clock::time_point quietAt = sources_[i].heardAt + Ms(setup_.silenceMs);
    if (quietAt <= now) {
      Quiet(static_cast<int>(i), "silent for " + std::to_string(setup_.silenceMs / 1000) + " s");
    } else if (!next || quietAt < *next) {
      next = quietAt;
    }
  }
  if (next) ArmSilence(*next);
}

}  // namespace station
