// What swrctl serve knows about the controller right now: the newest
// reading, whether the controller is connected, a ten-minute history for the
// chart and the peak power of the last seconds. The device loop writes it;
// every consumer (HTTP, MQTT, the log feed) subscribes to its changes and
// reads it from a thread or event loop of its own.
// Every lock is held only for a copy, so a reader never holds up the device.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "measure/decode.h"

namespace station {

struct Reading {
  std::uint64_t sequence = 0;        // 1 for the first reading; 0 = none yet
  std::int64_t unixMs = 0;           // when it arrived, wall clock
  std::int64_t steadyMs = 0;         // when it arrived, monotonic
  std::string time;                  // ISO 8601 local time, as watch prints it
  swr::Measurement values;           // what the report says
  // The active sensor, 1..3: the report's, or the one before when the
  // report names none (as the panel's field keeps its text); 0 = none yet.
  int sensor = 0;
  std::optional<double> swr;         // values' SWR, where it is a number
  std::optional<double> power;       // values' power in watts, where it is a number (finite)
  std::array<std::uint8_t, 9> raw{};  // the report as read, for the API
};

// What a reading tap is given of each reading (see LiveState::SetReadingTap).
struct ReadingValues {
  std::int64_t unixMs = 0;
  std::int64_t steadyMs = 0;
  int sensor = 0;  // as kept
  std::optional<double> power;
  std::optional<double> swr;
};

// The panel's texts of the reading (the sensor as kept).
swr::DisplayTexts TextsOf(const Reading& reading);

struct Link {
  bool connected = false;
  std::uint64_t changes = 0;  // counts every change of `connected`
};

// One slot of the history: the highest power and SWR of the readings that
// arrived in it. A slot without any number holds nullopt.
struct HistoryPoint {
  std::int64_t unixMs = 0;  // start of the slot
  std::optional<double> power;
  std::optional<double> swr;
};

struct Snapshot {
  std::uint64_t version = 0;  // grows with every reading and link change
  Link link;
  Reading reading;            // sequence 0: nothing read yet
  std::optional<double> peakPower;  // highest power of the last kPeakMs
  // The energy put out since the start, per sensor (index sensor - 1): each
  // reading's net power held until the next one, gaps over kStaleMs and
  // negative power left out.
  std::array<double, 3> energyJoules{};
};

// What changed, as bits. The live state announces its own changes (a
// reading, the link); what the station derives from them is announced by
// whoever changes it, so that every consumer follows one channel.
using Changes = unsigned;
namespace change {
constexpr Changes kReading = 1u << 0;       // a new reading
constexpr Changes kLink = 1u << 1;          // the controller came or went
constexpr Changes kRig = 1u << 2;           // the transceiver's state
constexpr Changes kAlarm = 1u << 3;         // the SWR alarm: raised, acknowledged, a new peak
constexpr Changes kTransmission = 1u << 4;  // a transmission ended (in the log's Finished())
constexpr Changes kBands = 1u << 5;         // the antenna's health per band
constexpr Changes kQso = 1u << 6;           // a QSO stored or filled in (in the log's Qsos())
constexpr Changes kAll = ~0u;
}  // namespace change

class ChangeHub;

// A subscription to the live state's changes; ends when destroyed or Reset.
// Once Reset (or the destructor) returns, its callback runs no more.
class Subscription {
 public:
  Subscription() = default;
  Subscription(Subscription&& other) noexcept;
  Subscription& operator=(Subscription&& other) noexcept;
  Subscription(const Subscription&) = delete;
  Subscription& operator=(const Subscription&) = delete;
  ~Subscription() { Reset(); }
  void Reset();

 private:
  friend class LiveState;
  Subscription(std::weak_ptr<ChangeHub> hub, std::uint64_t id) : hub_(std::move(hub)), id_(id) {}
  std::weak_ptr<ChangeHub> hub_;
  std::uint64_t id_ = 0;
};

// Whether the snapshot's reading is current: connected, and a reading
// arrived within LiveState::kStaleMs before nowSteadyMs.
bool IsLive(const Snapshot& snapshot, std::int64_t nowSteadyMs);

class LiveState {
 public:
  LiveState();
  static constexpr std::int64_t kHistorySlotMs = 500;
  static constexpr int kHistorySeconds = 600;
  static constexpr std::int64_t kPeakMs = 2000;
  // A reading older than this, while connected, is no longer live.
  static constexpr std::int64_t kStaleMs = 1000;

  // report: the 9 bytes as read; time: their ISO time stamp.
  void Publish(const std::uint8_t* report, std::int64_t unixMs, std::int64_t steadyMs,
               std::string time);
  // Before the device loop starts: `tap` gets every reading, on the device
  // loop's thread, before the subscribers are told of it. It must only copy.
  void SetReadingTap(std::function<void(const ReadingValues&)> tap) { tap_ = std::move(tap); }
  void SetConnected(bool connected);
  // The wall clock was stepped by stepMs: the history's slots move with it,
  // so that they stay in order and as long ago as they were.
  void WallClockStepped(std::int64_t stepMs);

  // nowSteadyMs: for the peak, which covers the readings since then - kPeakMs.
  Snapshot Get(std::int64_t nowSteadyMs) const;
  // The slots of the last `seconds` (at most kHistorySeconds) before
  // nowUnixMs, oldest first.
  std::vector<HistoryPoint> History(int seconds, std::int64_t nowUnixMs) const;

  // `callback` is told of every change among `what` (the bits that
  // changed), on the thread that made it, after the change and outside the
  // state's lock. It must return at once without blocking: post to the
  // consumer's event loop or wake its thread, then read Get() there. It may
  // not subscribe or unsubscribe itself. Thread-safe.
  Subscription Subscribe(Changes what, std::function<void(Changes)> callback);
  // Tells the subscribers of a change of what the station derives from the
  // live state (change::kRig ... kBands). From any thread.
  void Announce(Changes what);

 private:
  void Changed(std::unique_lock<std::mutex>& lock, Changes what);
  void AddEnergy(std::int64_t untilSteadyMs);

  mutable std::mutex mutex_;
  std::uint64_t version_ = 0;
  Link link_;
  Reading reading_;
  std::deque<std::pair<std::int64_t, double>> recentPower_;  // steadyMs, watts
  std::deque<HistoryPoint> history_;
  std::array<double, 3> energyJoules_{};
  std::shared_ptr<ChangeHub> hub_;
  std::function<void(const ReadingValues&)> tap_;
};

}  // namespace station
