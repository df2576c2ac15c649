// The station log's feed: wakes on every change of the live state, and at
// least four times a second so that the hang time and stale readings end a
// transmission without a new reading.
#include "station/log/log_feed.h"

#include <chrono>

#include "station/core/clock.h"

namespace swrctl {
namespace {

constexpr long kTickMs = 250;

}  // namespace

LogReading ToLogReading(const Reading& r) {
  LogReading l;
  l.unixMs = r.unixMs;
  l.steadyMs = r.steadyMs;
  l.time = r.time;
  l.sensor = r.texts.hasSensor ? r.texts.sensor[0] - '0' : 0;
  l.power = r.power;
  l.swr = r.swr;
  l.forward = r.raw[3];
  l.reflected = r.raw[4];
  return l;
}

void LogFeed::Start() { thread_ = std::thread([this] { Run(); }); }

void LogFeed::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void LogFeed::Run() {
  std::uint64_t seen = 0, sequence = 0;
  bool connected = false;
  for (;;) {
    const std::uint64_t version = live_.WaitChange(seen, kTickMs);
    {
      // Once the live state is closed WaitChange no longer waits: wait here.
      std::unique_lock<std::mutex> lock(mutex_);
      if (version == seen) wake_.wait_for(lock, std::chrono::milliseconds(kTickMs / 5),
                                          [this] { return stopping_; });
      if (stopping_) break;
    }
    seen = version;
    const std::int64_t now = SteadyNowMs();
    const Snapshot s = live_.Get(now);
    DetectorOutput out;
    if (s.link.connected != connected) {
      connected = s.link.connected;
      detector_.OnLink(connected, out);
    }
    if (s.reading.sequence != 0 && s.reading.sequence != sequence) {
      sequence = s.reading.sequence;
      detector_.OnReading(ToLogReading(s.reading), out);
    }
    detector_.OnTick(now, out);
    log_.Add(std::move(out));
  }
  DetectorOutput out;
  detector_.Flush(out);
  log_.Add(std::move(out));
}

}  // namespace swrctl
