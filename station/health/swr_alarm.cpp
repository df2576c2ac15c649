// The alarm's hold, latch and acknowledgement.
#include "station/health/swr_alarm.h"

namespace station {

SwrAlarm::SwrAlarm(AlarmSettings settings) : settings_(settings) {}

bool SwrAlarm::Feed(const AlarmReading& r, const std::string& band, bool transmitting) {
  return Changed(FeedLocked(r, band, transmitting));
}

bool SwrAlarm::FeedLocked(const AlarmReading& r, const std::string& band, bool transmitting) {
  if (settings_.limitTenths <= 0) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  const bool powered = transmitting && r.watts >= settings_.minWatts;
  const bool over = powered && r.swr * 10 > settings_.limitTenths + 1e-6;
  if (!over) {
    // The SWR under the limit at power, or the transmission over, restarts
    // the hold. A reading with too little power during a transmission is a
    // pause in the speech or the keying: the hold goes on across it unless
    // it lasts longer than the gap, so an alarm also rises on SSB and CW.
    if (powered || !transmitting) over_ = false;
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
  AlarmState raised;
  raised.raised = true;
  raised.serial = state_.serial + 1;
  raised.unixMs = r.unixMs;
  raised.steadyMs = r.steadyMs;
  raised.sensor = r.sensor;
  raised.band = band;
  raised.frequencyHz = r.frequencyHz;
  raised.swr = raised.peakSwr = r.swr;
  raised.watts = r.watts;
  raised.changes = state_.changes + 1;
  state_ = std::move(raised);
  return true;
}

bool SwrAlarm::Acknowledge(const std::string& via, std::int64_t unixMs) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!state_.raised) return false;
    state_.raised = false;
    state_.acknowledgedUnixMs = unixMs;
    state_.acknowledgedVia = via;
    ++state_.changes;
    over_ = false;
  }
  return Changed(true);
}

bool SwrAlarm::SetHalt(std::uint64_t serial, const HaltAttempt& attempt) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (serial == 0 || serial != state_.serial) return false;
    bool replaced = false;
    for (HaltAttempt& h : state_.halts) {
      if (h.target != attempt.target) continue;
      // The delay stays the one to the request leaving; the answer's time
      // is in unixMs.
      const std::int64_t left = h.outcome == "sent" ? h.delayMs : attempt.delayMs;
      h = attempt;
      h.delayMs = left;
      replaced = true;
    }
    if (!replaced) state_.halts.push_back(attempt);
    ++state_.changes;
  }
  return Changed(true);
}

AlarmState SwrAlarm::State() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

}  // namespace station
