// What the station has put on the air since the server started: the count
// and time on the air per sensor and band (for /metrics), and the last
// transmissions finished, each with a sequence number so that a reader on
// another thread (MQTT) takes each one once. Written by the station log as
// the detector hands it transmissions; read from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "station/log/detector.h"

namespace station {

// Transmissions and time on the air of one sensor on one band ("" when the
// band is not known).
struct OnAirCount {
  int sensor = 0;
  std::string band;
  std::uint64_t transmissions = 0;
  double seconds = 0;
};

class OnAir {
 public:
  void Add(const Transmission& t);
  std::vector<OnAirCount> Counts() const;
  // The transmissions finished after sequence `seen`, oldest first (at most
  // the last kKept); returns the sequence of the newest.
  std::uint64_t Since(std::uint64_t seen, std::vector<Transmission>& out) const;

  static constexpr std::size_t kKept = 16;

 private:
  mutable std::mutex mutex_;
  std::map<std::pair<int, std::string>, OnAirCount> counts_;
  std::deque<std::pair<std::uint64_t, Transmission>> recent_;
  std::uint64_t sequence_ = 0;
};

}  // namespace station
