// What the service keeps of each alarm beyond its live state: the record
// for the station log (raised, its peak, the acknowledgement, the halt
// requests) and the readings around it, from `before` ms before it rose to
// `after` ms after, out of the ring the device loop fills. It also asks
// the halts when an alarm rises, if any are given. Every call returns at
// once: events go to the sink (the log's queue), halts are posted to the
// threads of the links that send them.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "station/core/live_state.h"
#include "station/health/alarm_ring.h"
#include "station/core/halt_report.h"
#include "station/health/swr_alarm.h"

namespace station {

struct AlarmWindow {
  int beforeMs = 10000;
  int afterMs = 5000;
};

// One change of an alarm for the log. Raised and Update carry the whole
// record as it is now; Readings the next readings of its window (`first`
// the index of the first), `complete` once the window is over.
struct AlarmEvent {
  enum class Kind { Raised, Update, Readings };
  Kind kind = Kind::Raised;
  AlarmState state;  // state.serial names the alarm within this run
  double limit = 0;
  std::vector<RingReading> readings;
  std::size_t first = 0;
  bool complete = false;
  std::int64_t windowFromMs = 0;  // unix ms: what the window covers
  std::int64_t windowToMs = 0;
};

class AlarmRecorder {
 public:
  AlarmRecorder(SwrAlarm& alarm, AlarmWindow window, std::ostream& err);
  AlarmRecorder(const AlarmRecorder&) = delete;
  AlarmRecorder& operator=(const AlarmRecorder&) = delete;

  // Before the device loop starts: where the events go, and the halts.
  void SetSink(std::function<void(AlarmEvent)> sink);
  void SetHalters(std::vector<Halter> halters);
  // The device loop's tap (LiveState::SetReadingTap).
  void OnReading(const ReadingValues& reading);
  // After each change of the alarm (its listener), from any thread.
  void Changed();
  // Hands on the readings of windows that are over by nowSteadyMs; the
  // log feed calls it on each of its rounds.
  void Tick(std::int64_t nowSteadyMs);
  // At the end: what the open windows hold, as it is (not complete).
  void Finish();

  const AlarmWindow& Window() const { return window_; }
  const ReadingRing& Ring() const { return ring_; }

 private:
  struct Open {
    std::uint64_t serial = 0;
    std::int64_t raisedSteadyMs = 0;
    std::int64_t unixFromMs = 0, unixToMs = 0;
    std::int64_t doneUntilMs = 0;  // steady: readings up to here handed on
    std::size_t handed = 0;
  };
  void Raise(const AlarmState& state, std::vector<AlarmEvent>& out);
  void HandOn(Open& open, std::int64_t untilMs, bool complete, std::vector<AlarmEvent>& out);
  void Emit(std::vector<AlarmEvent> events);
  void AskHalts(const AlarmState& state);
  void Halted(std::uint64_t serial, std::int64_t raisedSteadyMs, const std::string& target,
              const HaltReport& report);

  SwrAlarm& alarm_;
  AlarmWindow window_;
  std::ostream& err_;
  ReadingRing ring_;
  std::mutex mutex_;
  std::function<void(AlarmEvent)> sink_;
  std::vector<Halter> halters_;
  std::uint64_t seenChanges_ = 0;
  std::uint64_t seenSerial_ = 0;
  std::vector<Open> open_;  // windows not yet over, oldest first
};

// The ring's size for a window: every reading of a controller at
// kRingReadingsPerSecond over the whole window, and a second more.
std::size_t RingCapacity(const AlarmWindow& window);

}  // namespace station
