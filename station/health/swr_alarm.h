// The latching SWR alarm: the live readings' SWR over the limit during a
// transmission, for long enough and at enough power that it is no key-down
// spike, raises an alarm that stays raised until acknowledged. It only
// tells: nothing here writes to the controller, whose own SWR limit and
// blocking output stay in charge.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace station {

struct AlarmSettings {
  int limitTenths = 0;     // 0: the alarm is off
  int holdMs = 1000;       // the SWR stays over the limit this long
  double minWatts = 5.0;   // at least this power throughout
  int gapMs = 500;         // over-limit readings further apart (a pause with too
                           // little power, or no readings) restart the hold
  bool halt = false;       // ask what keys the transmitter to stop (--swr-alarm-halt)
};

struct AlarmReading {
  int sensor = 0;
  double watts = 0;
  double swr = 0;
  std::int64_t steadyMs = 0;  // for the hold
  std::int64_t unixMs = 0;    // for the alarm's time
  std::optional<std::int64_t> frequencyHz;  // the rig's, when known
};

// One request to stop the transmitter, asked when the alarm rose. `outcome`:
// "sent" (on its way; for rigctld, its answer still to come), "answered"
// (rigctld said RPRT 0), "failed" (`detail` says why).
struct HaltAttempt {
  std::string target;   // "rigctld" or "wsjtx"
  std::string outcome;
  std::string detail;
  std::int64_t unixMs = 0;   // of the latest outcome: sent, answered or failed
  // From the reading that raised the alarm to the request leaving (or to
  // its failure, when it never left).
  std::int64_t delayMs = 0;
};

struct AlarmState {
  bool raised = false;
  std::uint64_t serial = 0;  // 1 for the first alarm of this run; 0 = none yet
  std::int64_t unixMs = 0;   // when it was raised
  std::int64_t steadyMs = 0;  // ... on the monotonic clock (its reading's)
  int sensor = 0;
  std::string band;         // empty when unknown
  std::optional<std::int64_t> frequencyHz;
  double swr = 0;           // the SWR that raised it
  double peakSwr = 0;       // the highest SWR while raised
  double watts = 0;         // the power that raised it
  std::int64_t acknowledgedUnixMs = 0;  // 0: not yet
  std::string acknowledgedVia;          // the front end: "http", "mqtt"
  std::vector<HaltAttempt> halts;
  std::uint64_t changes = 0;  // raised, acknowledged, peak, halts: for publishing on change
};

class SwrAlarm {
 public:
  explicit SwrAlarm(AlarmSettings settings = {});
  // One live reading; `transmitting` from PTT or the power threshold, `band`
  // the rig's. Returns true when the alarm's state changed.
  bool Feed(const AlarmReading& reading, const std::string& band, bool transmitting);
  // Lowers a raised alarm, told over front end `via` at `unixMs`; returns
  // false when none was raised. The next alarm needs a full hold time of
  // its own.
  bool Acknowledge(const std::string& via, std::int64_t unixMs);
  // The outcome of a halt request for alarm `serial`: replaces the same
  // target's earlier word on it. False when that alarm is no longer the
  // latest.
  bool SetHalt(std::uint64_t serial, const HaltAttempt& attempt);
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

}  // namespace station
