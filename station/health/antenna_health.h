// The antenna's health per sensor, band and antenna (where a source such as
// N1MM Logger+ says which is selected), from the transmissions the
// station log finishes: a baseline SWR (the median of the recent trusted
// transmissions' SWR at peak power), the latest, a trend, and a warning
// when several transmissions in a row lie above the baseline by a margin.
//
// A transmission counts when its band is known and its peak power reached
// minPowerWatts. Each one is compared with the baseline as it stood before
// it; one above baseline + margin is "above" and stays out of the baseline,
// so a run of bad readings cannot pull the baseline up to meet it. When
// every transmission of the window is above, that is the antenna's new
// normal: the baseline takes them all and the warning ends.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace station {

struct HealthSettings {
  int window = 20;            // transmissions per sensor, band and antenna
  double margin = 0.3;        // SWR above the baseline that counts as above
  int run = 3;                // transmissions above in a row that warn
  int minHistory = 3;         // transmissions before a baseline exists
  double minPowerWatts = 5.0; // less power: the reading is not trusted
};

struct TransmissionRecord {
  int sensor = 0;
  std::string band;     // empty: outside every band (not counted)
  double swrAtPeak = 0;
  double peakWatts = 0;
  std::int64_t endUnixMs = 0;
  std::optional<int> antenna = std::nullopt;  // none: not known (a row of its own)
};

struct BandHealth {
  int sensor = 0;
  std::string band;
  std::optional<int> antenna;
  int transmissions = 0;          // in the window
  std::optional<double> baseline; // none before minHistory transmissions
  double latest = 0;
  std::int64_t latestUnixMs = 0;
  std::optional<double> trend;    // newer half's median - older half's; none below 4
  int aboveInRow = 0;
  bool warning = false;
};

// The median of `values` (not empty).
double Median(std::vector<double> values);

class AntennaHealth {
 public:
  explicit AntennaHealth(HealthSettings settings = {});
  // Returns true when the record counted (band known, power enough).
  bool Add(const TransmissionRecord& record);
  // Every sensor, band and antenna seen, by sensor, band plan order and
  // antenna (the unknown one first).
  std::vector<BandHealth> Table() const;
  const HealthSettings& Settings() const { return settings_; }

 private:
  struct Entry {
    double swr;
    std::int64_t unixMs;
    bool above;
  };
  using Key = std::tuple<int, std::string, std::optional<int>>;
  std::optional<double> Baseline(const std::deque<Entry>& entries) const;
  BandHealth Row(const Key& key, const std::deque<Entry>& entries) const;

  HealthSettings settings_;
  mutable std::mutex mutex_;
  std::map<Key, std::deque<Entry>> entries_;
};

}  // namespace station
