// The alarm's hold, latch and acknowledgement.
#include "station/health/swr_alarm.h"

namespace swrctl {

SwrAlarm::SwrAlarm(AlarmSettings settings) : settings_(settings) {}

bool SwrAlarm::Feed(const AlarmReading& r, const std::string& band, bool transmitting) {
  return Changed(FeedLocked(r, band, transmitting));
}

bool SwrAlarm::FeedLocked(const AlarmReading& r, const std::string& band, bool transmitting) {
  if (settings_.limitTenths <= 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const bool over = transmitting && r.watts >= settings_.minWatts &&
                    r.swr * 10 > settings_.limitTenths + 1e-6;
  if (!over) {
    over_ = false;
    return false;
  }
  if (!over_ || r.steadyMs - lastOverMs_ > settings_.gapMs || r.steadyMs < lastOverMs_) {
    over_ = true;
    overSinceMs_ = r.steadyMs;
  }
  lastOverMs_ = r.steadyMs;
  if (state_.raised) {
    if (r.swr <= state_.peakSwr) return false;
    state_.peakSwr = r.swr;
    ++state_.changes;
    return true;
  }
  if (r.steadyMs - overSinceMs_ < settings_.holdMs) return false;
  const std::uint64_t changes = state_.changes + 1;
  state_ = AlarmState{true, r.unixMs, r.sensor, band, r.swr, r.swr, changes};
  return true;
}

bool SwrAlarm::Acknowledge() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!state_.raised) return false;
    state_.raised = false;
    ++state_.changes;
    over_ = false;
  }
  return Changed(true);
}

AlarmState SwrAlarm::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

}  // namespace swrctl
