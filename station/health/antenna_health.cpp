// Baseline, trend and drift warning per sensor, band and antenna.
#include "station/health/antenna_health.h"

#include <algorithm>

#include "station/rig/bands.h"

namespace station {

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

AntennaHealth::AntennaHealth(HealthSettings settings) : settings_(settings) {}

std::optional<double> AntennaHealth::Baseline(const std::deque<Entry>& entries) const {
  std::vector<double> normal, all;
  for (const Entry& e : entries) {
    all.push_back(e.swr);
    if (!e.above) normal.push_back(e.swr);
  }
  if (static_cast<int>(all.size()) < settings_.minHistory) return std::nullopt;
  // Only above-readings in a full window: they are the antenna's normal now.
  // Nothing but above-readings (the window shrank or was never full).
  if (normal.empty()) return Median(all);
  return Median(normal);
}

bool AntennaHealth::Add(const TransmissionRecord& r) {
  if (r.band.empty() || r.sensor <= 0 || !(r.peakWatts >= settings_.minPowerWatts) ||
      !(r.swrAtPeak >= 1.0)) {
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  std::deque<Entry>& entries = entries_[{r.sensor, r.band, r.antenna}];
  const std::optional<double> before = Baseline(entries);
  const bool above = before && r.swrAtPeak > *before + settings_.margin + 1e-9;
  entries.push_back({r.swrAtPeak, r.endUnixMs, above});
  while (static_cast<int>(entries.size()) > settings_.window) entries.pop_front();
  // A window of nothing but above-readings: the antenna's new normal.
  const bool allAbove = std::all_of(entries.begin(), entries.end(), [](const Entry& e) { return e.above; });
  if (allAbove && static_cast<int>(entries.size()) >= settings_.window) {
    for (Entry& e : entries) e.above = false;
  }
  return true;
}

BandHealth AntennaHealth::Row(const Key& key, const std::deque<Entry>& entries) const {
  BandHealth row;
  row.sensor = std::get<0>(key);
  row.band = std::get<1>(key);
  row.antenna = std::get<2>(key);
  row.transmissions = static_cast<int>(entries.size());
  row.baseline = Baseline(entries);
  row.latest = entries.back().swr;
  row.latestUnixMs = entries.back().unixMs;
  for (auto e = entries.rbegin(); e != entries.rend() && e->above; ++e) ++row.aboveInRow;
  row.warning = row.aboveInRow >= settings_.run;
  if (entries.size() >= 4) {
    const std::size_t half = entries.size() / 2;
    std::vector<double> older, newer;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      (i < entries.size() - half ? older : newer).push_back(entries[i].swr);
    }
    row.trend = Median(newer) - Median(older);
  }
  return row;
}

std::vector<BandHealth> AntennaHealth::Table() const {
  std::vector<BandHealth> rows;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [key, entries] : entries_) rows.push_back(Row(key, entries));
  }
  std::sort(rows.begin(), rows.end(), [](const BandHealth& a, const BandHealth& b) {
    if (a.sensor != b.sensor) return a.sensor < b.sensor;
    if (a.band != b.band) return BandIndex(a.band.c_str()) < BandIndex(b.band.c_str());
    return a.antenna < b.antenna;
  });
  return rows;
}

}  // namespace station
