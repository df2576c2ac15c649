// What swrctl serve knows about the controller right now: the newest
// reading, whether the controller is connected, a ten-minute history for the
// chart and the peak power of the last seconds. The device loop writes it;
// any number of front ends (HTTP, MQTT) read it from their own threads.
// Every lock is held only for a copy, so a reader never holds up the device.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "measure/decode.h"

namespace swrctl {

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

// Whether the snapshot's reading is current: connected, and a reading
// arrived within LiveState::kStaleMs before nowSteadyMs.
bool IsLive(const Snapshot& snapshot, std::int64_t nowSteadyMs);

class LiveState {
 public:
  static constexpr std::int64_t kHistorySlotMs = 500;
  static constexpr int kHistorySeconds = 600;
  static constexpr std::int64_t kPeakMs = 2000;
  // A reading older than this, while connected, is no longer live.
  static constexpr std::int64_t kStaleMs = 1000;

  // report: the 9 bytes as read; time: their ISO time stamp.
  void Publish(const std::uint8_t* report, std::int64_t unixMs, std::int64_t steadyMs,
               std::string time);
  void SetConnected(bool connected);

  // nowSteadyMs: for the peak, which covers the readings since then - kPeakMs.
  Snapshot Get(std::int64_t nowSteadyMs) const;
  // The slots of the last `seconds` (at most kHistorySeconds) before
  // nowUnixMs, oldest first.
  std::vector<HistoryPoint> History(int seconds, std::int64_t nowUnixMs) const;

  // Waits until the version differs from `seen`, at most `ms` or until
  // Close; returns the version then. For front ends with a thread of their
  // own.
  std::uint64_t WaitChange(std::uint64_t seen, long ms) const;
  // Called on the writing thread after every change, outside the lock. It
  // must return at once (post to an event loop, set a flag).
  void SetListener(std::function<void()> listener);
  // Wakes every WaitChange for good.
  void Close();

 private:
  void Changed(std::unique_lock<std::mutex>& lock);
  void AddEnergy(std::int64_t untilSteadyMs);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::uint64_t version_ = 0;
  bool closed_ = false;
  Link link_;
  Reading reading_;
  std::deque<std::pair<std::int64_t, double>> recentPower_;  // steadyMs, watts
  std::deque<HistoryPoint> history_;
  std::array<double, 3> energyJoules_{};
  std::function<void()> listener_;
};

}  // namespace swrctl
