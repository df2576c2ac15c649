// The latching SWR alarm: the live readings' SWR over the limit during a
// transmission, for long enough and at enough power that it is no key-down
// spike, raises an alarm that stays raised until acknowledged. It only
// tells: nothing here writes to the controller, whose own SWR limit and
// blocking output stay in charge.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace swrctl {

struct AlarmSettings {
  int limitTenths = 0;     // 0: the alarm is off
  int holdMs = 1000;       // the SWR stays over the limit this long
  double minWatts = 5.0;   // at least this power throughout
  int gapMs = 500;         // readings further apart restart the hold
};

struct AlarmReading {
  int sensor = 0;
  double watts = 0;
  double swr = 0;
  std::int64_t steadyMs = 0;  // for the hold
  std::int64_t unixMs = 0;    // for the alarm's time
};

struct AlarmState {
  bool raised = false;
  std::int64_t unixMs = 0;  // when it was raised
  int sensor = 0;
  std::string band;         // empty when unknown
  double swr = 0;           // the SWR that raised it
  double peakSwr = 0;       // the highest SWR while raised
  std::uint64_t changes = 0;  // raised, acknowledged, peak: for publishing on change
};

class SwrAlarm {
 public:
  explicit SwrAlarm(AlarmSettings settings = {});
  // One live reading; `transmitting` from PTT or the power threshold, `band`
  // the rig's. Returns true when the alarm's state changed.
  bool Feed(const AlarmReading& reading, const std::string& band, bool transmitting);
  // Lowers a raised alarm; returns false when none was raised. The next
  // alarm needs a full hold time of its own.
  bool Acknowledge();
  AlarmState State() const;
  // Called after every change of the state (Feed or Acknowledge returning
  // true), on the caller's thread, outside the lock; it must return at once.
  // Before the alarm is fed.
  void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }
  const AlarmSettings& Settings() const { return settings_; }

 private:
  bool FeedLocked(const AlarmReading& reading, const std::string& band, bool transmitting);
  bool Changed(bool changed) const {
    if (changed && listener_) listener_();
    return changed;
  }

  AlarmSettings settings_;
  std::function<void()> listener_;
  mutable std::mutex mutex_;
  AlarmState state_;
  bool over_ = false;           // the current run of readings over the limit
  std::int64_t overSinceMs_ = 0;
  std::int64_t lastOverMs_ = 0;
};

}  // namespace swrctl
