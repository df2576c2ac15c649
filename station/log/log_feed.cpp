// The station log's feed: wakes on every change of the live state and the
// rig, and at least four times a second (the detector's clock) so that the
// hang time and stale readings end a transmission without a new reading.
#include "station/log/log_feed.h"

#include <chrono>

#include "station/core/clock.h"
#include "station/core/thread_name.h"

namespace station {
namespace {

constexpr long kTickMs = 250;

}  // namespace

LogReading ToLogReading(const Reading& r) {
  LogReading l;
  l.unixMs = r.unixMs;
  l.steadyMs = r.steadyMs;
  l.time = r.time;
  l.sensor = r.sensor;
  l.power = r.power;
  l.swr = r.swr;
  l.forward = r.values.forward;
  l.reflected = r.values.reflected;
  return l;
}

// The rig's snapshot to the detector when it changed.
void LogFeed::FollowRig(DetectorOutput& out) {
  if (watch_ == nullptr) return;
  const RigState rig = watch_->rig.Snapshot();
  if (rig.changes == rigChanges_) return;
  rigChanges_ = rig.changes;
  RigInfo info;
  if (rig.connected) info = RigInfo{rig.frequencyHz, rig.band, rig.mode, rig.ptt, rig.antenna};
  detector_.OnRig(info, out);
}

void LogFeed::Alarm(const Reading& r) {
  if (watch_ == nullptr || !r.power || !r.swr) return;
  AlarmReading a;
  a.sensor = r.sensor;
  a.watts = *r.power;
  a.swr = *r.swr;
  a.steadyMs = r.steadyMs;
  a.unixMs = r.unixMs;
  const RigState rig = watch_->rig.Snapshot();
  if (rig.connected) a.frequencyHz = rig.frequencyHz;
  // A change is told to the subscribers by the alarm's listener.
  watch_->alarm.Feed(a, rig.connected ? rig.band : std::string(), detector_.Transmitting());
}

// The finished transmissions to the antenna's health, everything to the log.
void LogFeed::Hand(DetectorOutput out) {
  Changes told = out.transmissions.empty() ? 0 : change::kTransmission;
  if (watch_ != nullptr) {
    for (const Transmission& t : out.transmissions) {
      if (!t.swrAtPeak) continue;
      if (watch_->health.Add(TransmissionRecord{t.sensor, t.band.value_or(""), *t.swrAtPeak,
                                                t.peakPower, t.endUnixMs, t.antenna})) {
        told |= change::kBands;
      }
    }
  }
  if (log_ != nullptr) log_->Add(std::move(out));
  if (told != 0) live_.Announce(told);
}

void LogFeed::Start() {
  subscription_ = live_.Subscribe(change::kReading | change::kLink | change::kRig, [this](Changes c) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      pending_ |= c;
    }
    wake_.notify_one();
  });
  thread_ = std::thread([this] {
    NameThisThread("swr-feed");
    Run();
  });
}

void LogFeed::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  subscription_.Reset();
}

void LogFeed::Run() {
  std::uint64_t sequence = 0;
  bool connected = false;
  for (;;) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait_for(lock, std::chrono::milliseconds(kTickMs),
                     [this] { return stopping_ || pending_ != 0; });
      if (stopping_) break;
      pending_ = 0;
    }
    const std::int64_t now = SteadyNowMs();
    const Snapshot s = live_.Get(now);
    DetectorOutput out;
    if (s.link.connected != connected) {
      connected = s.link.connected;
      detector_.OnLink(connected, out);
    }
    FollowRig(out);
    if (s.reading.sequence != 0 && s.reading.sequence != sequence) {
      sequence = s.reading.sequence;
      detector_.OnReading(ToLogReading(s.reading), out);
      Alarm(s.reading);
    }
    detector_.OnTick(now, out);
    if (watch_ != nullptr) watch_->recorder.Tick(now);
    Hand(std::move(out));
  }
  if (watch_ != nullptr) watch_->recorder.Finish();
  DetectorOutput out;
  detector_.Flush(out);
  Hand(std::move(out));
}

}  // namespace station
