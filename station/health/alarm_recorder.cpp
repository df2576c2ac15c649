// The alarm's recorder: diffs the alarm's state on each change into events
// for the log, cuts the readings of each alarm's window out of the ring,
// and asks the halts once per alarm.
#include "station/health/alarm_recorder.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace station {
namespace {

// Windows open at once; an older one is handed on as it is when more rise.
constexpr std::size_t kMaxOpenWindows = 4;
// A reading stamped just before the window's end may reach the ring a moment
// after the feed's clock has passed it.
constexpr std::int64_t kLateReadingMs = 100;

double NumberOrNan(const std::optional<double>& v) {
  return v && std::isfinite(*v) ? *v : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

std::size_t RingCapacity(const AlarmWindow& w) {
  const std::size_t ms = static_cast<std::size_t>(w.beforeMs) + static_cast<std::size_t>(w.afterMs);
  return (ms + 1000) * kRingReadingsPerSecond / 1000;
}

AlarmRecorder::AlarmRecorder(SwrAlarm& alarm, AlarmWindow window, std::ostream& err)
    : alarm_(alarm),
      window_(window),
      err_(err),
      ring_(alarm.Settings().limitTenths > 0 ? RingCapacity(window) : 1) {}

void AlarmRecorder::SetSink(std::function<void(AlarmEvent)> sink) {
  std::lock_guard<std::mutex> lock(mutex_);
  sink_ = std::move(sink);
}

void AlarmRecorder::SetHalters(std::vector<Halter> halters) {
  std::lock_guard<std::mutex> lock(mutex_);
  halters_ = std::move(halters);
}

void AlarmRecorder::OnReading(const ReadingValues& r) {
  ring_.Push(RingReading{r.unixMs, r.steadyMs, r.sensor, NumberOrNan(r.power), NumberOrNan(r.swr)});
}

void AlarmRecorder::Changed() {
  std::vector<AlarmEvent> out;
  AlarmState state;
  bool rose = false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // Read under the recorder's lock, so that the changes are seen in order.
    state = alarm_.State();
    if (state.changes == seenChanges_ || state.serial == 0) return;
    seenChanges_ = state.changes;
    rose = state.serial != seenSerial_;
    if (rose) {
      seenSerial_ = state.serial;
      Raise(state, out);
    } else {
      AlarmEvent update;
      update.kind = AlarmEvent::Kind::Update;
      update.state = state;
      update.limit = alarm_.Settings().limitTenths / 10.0;
      out.push_back(std::move(update));
    }
    // In order with the other changes: the sink only queues.
    Emit(std::move(out));
  }
  if (rose) AskHalts(state);
}

void AlarmRecorder::Raise(const AlarmState& state, std::vector<AlarmEvent>& out) {
  if (open_.size() >= kMaxOpenWindows) {
    HandOn(open_.front(), open_.front().raisedSteadyMs + window_.afterMs, false, out);
    open_.erase(open_.begin());
  }
  Open o;
  o.serial = state.serial;
  o.raisedSteadyMs = state.steadyMs;
  o.unixFromMs = state.unixMs - window_.beforeMs;
  o.unixToMs = state.unixMs + window_.afterMs;
  o.doneUntilMs = state.steadyMs - window_.beforeMs - 1;
  AlarmEvent raised;
  raised.kind = AlarmEvent::Kind::Raised;
  raised.state = state;
  raised.limit = alarm_.Settings().limitTenths / 10.0;
  raised.windowFromMs = o.unixFromMs;
  raised.windowToMs = o.unixToMs;
  out.push_back(std::move(raised));
  HandOn(o, state.steadyMs, false, out);
  open_.push_back(o);
}

void AlarmRecorder::HandOn(Open& o, std::int64_t untilMs, bool complete,
                           std::vector<AlarmEvent>& out) {
  AlarmEvent e;
  e.kind = AlarmEvent::Kind::Readings;
  e.state.serial = o.serial;
  e.readings = ring_.Between(o.doneUntilMs, untilMs);
  e.first = o.handed;
  e.complete = complete;
  e.windowFromMs = o.unixFromMs;
  e.windowToMs = o.unixToMs;
  o.handed += e.readings.size();
  o.doneUntilMs = untilMs;
  out.push_back(std::move(e));
}

void AlarmRecorder::Emit(std::vector<AlarmEvent> events) {
  if (!sink_) return;
  for (AlarmEvent& e : events) sink_(std::move(e));
}

void AlarmRecorder::Tick(std::int64_t nowSteadyMs) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<AlarmEvent> out;
  for (auto it = open_.begin(); it != open_.end();) {
    const std::int64_t end = it->raisedSteadyMs + window_.afterMs;
    if (nowSteadyMs < end + kLateReadingMs) {
      ++it;
      continue;
    }
    HandOn(*it, end, true, out);
    it = open_.erase(it);
  }
  Emit(std::move(out));
}

void AlarmRecorder::Finish() {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<AlarmEvent> out;
  for (Open& o : open_) HandOn(o, o.raisedSteadyMs + window_.afterMs, false, out);
  open_.clear();
  Emit(std::move(out));
}

void AlarmRecorder::AskHalts(const AlarmState& state) {
  if (!alarm_.Settings().halt) return;
  std::vector<Halter> halters;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    halters = halters_;
  }
  for (const Halter& h : halters) {
    h.request([this, serial = state.serial, raised = state.steadyMs,
               target = h.target](const HaltReport& report) {
      Halted(serial, raised, target, report);
    });
  }
}

// The record gets every outcome; stderr the last word on each request.
void AlarmRecorder::Halted(std::uint64_t serial, std::int64_t raisedSteadyMs,
                           const std::string& target, const HaltReport& report) {
  HaltAttempt attempt{target, report.outcome, report.detail, report.unixMs,
                      report.steadyMs - raisedSteadyMs};
  alarm_.SetHalt(serial, attempt);
  if (report.outcome == "sent" && target == "rigctld") return;
  std::string line = "swrctl: alarm: asked " + target + " to stop transmitting: " +
                     report.outcome;
  if (!report.detail.empty()) line += " (" + report.detail + ")";
  line += ", " + std::to_string(attempt.delayMs) + " ms after the alarm rose\n";
  err_ << line << std::flush;
}

}  // namespace station
