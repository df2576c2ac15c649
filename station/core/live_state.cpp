// The live state: the newest reading, the link, the peak of the last
// seconds, the half-second history and the energy put out, each change
// made under one short lock and then told to the subscribers.
#include "station/core/live_state.h"

#include <algorithm>
#include <utility>

#include "device/reports.h"


namespace station {
namespace {

// Readings kept for the peak: 2 s at far more than any controller sends.
constexpr std::size_t kMaxRecent = 1024;

void KeepHigher(std::optional<double>& slot, const std::optional<double>& value) {
  if (value && (!slot || *value > *slot)) slot = value;
}

}  // namespace

// The subscribers. Callbacks run under the hub's own lock (never the
// state's): they only post or wake, and a Reset that returns knows its
// callback is done.
class ChangeHub {
 public:
  std::uint64_t Add(Changes what, std::function<void(Changes)> callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({++lastId_, what, std::move(callback)});
    return lastId_;
  }
  void Remove(std::uint64_t id) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [id](const Entry& e) { return e.id == id; }),
                   entries_.end());
  }
  void Tell(Changes what) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Entry& e : entries_) {
      if ((e.what & what) != 0) e.callback(e.what & what);
    }
  }

 private:
  struct Entry {
    std::uint64_t id;
    Changes what;
    std::function<void(Changes)> callback;
  };
  std::mutex mutex_;
  std::vector<Entry> entries_;
  std::uint64_t lastId_ = 0;
};

Subscription::Subscription(Subscription&& other) noexcept
    : hub_(std::move(other.hub_)), id_(other.id_) {
  other.id_ = 0;
}

Subscription& Subscription::operator=(Subscription&& other) noexcept {
  if (this != &other) {
    Reset();
    hub_ = std::move(other.hub_);
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

void Subscription::Reset() {
  if (id_ == 0) return;
  if (std::shared_ptr<ChangeHub> hub = hub_.lock()) hub->Remove(id_);
  hub_.reset();
  id_ = 0;
}

LiveState::LiveState() : hub_(std::make_shared<ChangeHub>()) {}

Subscription LiveState::Subscribe(Changes what, std::function<void(Changes)> callback) {
  return Subscription(hub_, hub_->Add(what, std::move(callback)));
}

void LiveState::Announce(Changes what) { hub_->Tell(what); }

swr::DisplayTexts TextsOf(const Reading& r) {
  swr::Measurement shown = r.values;
  shown.sensor = r.sensor;
  return swr::Texts(shown);
}

void LiveState::Publish(const std::uint8_t* report, std::int64_t unixMs, std::int64_t steadyMs,
                        std::string time) {
  Reading r;
  r.unixMs = unixMs;
  r.steadyMs = steadyMs;
  r.time = std::move(time);
  r.values = swr::Measure(report);
  r.sensor = r.values.sensor;
  if (r.values.HasSwr()) r.swr = r.values.Swr();
  if (r.values.power.IsNumber()) r.power = r.values.power.Watts();
  std::copy(report, report + swr::kReportSize, r.raw.begin());

  std::unique_lock<std::mutex> lock(mutex_);
  // A report with a sensor outside 1..3 keeps the sensor shown before, as
  // the panel's field does.
  if (r.sensor == 0) r.sensor = reading_.sensor;
  r.sequence = reading_.sequence + 1;
  AddEnergy(steadyMs);
  reading_ = std::move(r);

  if (reading_.power) {
    recentPower_.emplace_back(steadyMs, *reading_.power);
    while (recentPower_.size() > kMaxRecent ||
           (!recentPower_.empty() && recentPower_.front().first < steadyMs - kPeakMs)) {
      recentPower_.pop_front();
    }
  }
  std::int64_t slot = unixMs - ((unixMs % kHistorySlotMs) + kHistorySlotMs) % kHistorySlotMs;
  // A wall clock set back by less than a step: the newest slot takes it.
  if (!history_.empty() && slot < history_.back().unixMs) slot = history_.back().unixMs;
  if (history_.empty() || history_.back().unixMs != slot) {
    history_.push_back(HistoryPoint{slot, std::nullopt, std::nullopt});
    const std::size_t maxSlots = kHistorySeconds * 1000 / kHistorySlotMs;
    while (history_.size() > maxSlots) history_.pop_front();
  }
  KeepHigher(history_.back().power, reading_.power);
  KeepHigher(history_.back().swr, reading_.swr);
  if (!tap_) return Changed(lock, change::kReading);
  const ReadingValues tapped{unixMs, steadyMs, reading_.sensor, reading_.power, reading_.swr};
  ++version_;
  lock.unlock();
  tap_(tapped);
  hub_->Tell(change::kReading);
}

void LiveState::AddEnergy(std::int64_t untilSteadyMs) {
  const Reading& last = reading_;
  // The report's own sensor: a report that names none adds to no sensor.
  const int sensor = last.values.sensor;
  const std::int64_t ms = untilSteadyMs - last.steadyMs;
  if (last.sequence == 0 || !link_.connected || !last.power || *last.power <= 0 ||
      sensor < 1 || sensor > 3 || ms <= 0 || ms > kStaleMs) {
    return;
  }
  energyJoules_[static_cast<std::size_t>(sensor - 1)] += *last.power * static_cast<double>(ms) / 1000;
}

bool IsLive(const Snapshot& s, std::int64_t nowSteadyMs) {
  return s.link.connected && s.reading.sequence != 0 &&
         nowSteadyMs - s.reading.steadyMs <= LiveState::kStaleMs;
}

void LiveState::SetConnected(bool connected) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (link_.connected == connected) return;
  link_.connected = connected;
  ++link_.changes;
  Changed(lock, change::kLink);
}

void LiveState::WallClockStepped(std::int64_t stepMs) {
  const std::int64_t half = kHistorySlotMs / 2;
  const std::int64_t slots = (stepMs >= 0 ? stepMs + half : stepMs - half) / kHistorySlotMs;
  std::lock_guard<std::mutex> lock(mutex_);
  for (HistoryPoint& p : history_) p.unixMs += slots * kHistorySlotMs;
}

void LiveState::Changed(std::unique_lock<std::mutex>& lock, Changes what) {
  ++version_;
  lock.unlock();
  hub_->Tell(what);
}

Snapshot LiveState::Get(std::int64_t nowSteadyMs) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Snapshot s;
  s.version = version_;
  s.link = link_;
  s.reading = reading_;
  s.energyJoules = energyJoules_;
  for (const auto& entry : recentPower_) {
    if (entry.first >= nowSteadyMs - kPeakMs && (!s.peakPower || entry.second > *s.peakPower)) {
      s.peakPower = entry.second;
    }
  }
  return s;
}

std::vector<HistoryPoint> LiveState::History(int seconds, std::int64_t nowUnixMs) const {
  seconds = std::max(0, std::min(seconds, kHistorySeconds));
  const std::int64_t from = nowUnixMs - static_cast<std::int64_t>(seconds) * 1000;
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<HistoryPoint> points;
  for (const HistoryPoint& p : history_) {
    if (p.unixMs + kHistorySlotMs > from) points.push_back(p);
  }
  return points;
}

}  // namespace station
