// Reads the newest transmissions per sensor, band and antenna (the band
// plan's bands, the controller's three sensors, the antennas the log knows
// for them and the unknown one) through the log's reader connection.
#include "station/log/health_seed.h"

#include <vector>

#include "station/log/log_db.h"
#include "station/log/log_queries.h"
#include "station/rig/bands.h"

namespace station {
namespace {

constexpr int kSensors = 3;

}  // namespace

bool SeedHealth(const std::string& logPath, AntennaHealth& health, std::string& error) {
  LogDb db;
  const LogOpen opened = db.Open(logPath, false, error);
  if (opened == LogOpen::Missing) return true;
  if (opened != LogOpen::Ok) return false;
  std::vector<Transmission> recent;
  std::vector<int> antennas;
  for (int sensor = 1; sensor <= kSensors; ++sensor) {
    for (const Band& band : BandPlan()) {
      if (!QueryAntennasOnBand(db, sensor, band.name, antennas, error)) return false;
      std::vector<std::optional<int>> each = {std::nullopt};
      each.insert(each.end(), antennas.begin(), antennas.end());
      for (const std::optional<int>& antenna : each) {
        if (!QueryRecentOnBand(db, sensor, band.name, antenna, health.Settings().window, recent,
                               error)) {
          return false;
        }
        for (auto t = recent.rbegin(); t != recent.rend(); ++t) {
          health.Add(TransmissionRecord{t->sensor, t->band.value_or(""), t->swrAtPeak.value_or(0),
                                        t->peakPower, t->endUnixMs, t->antenna});
        }
      }
    }
  }
  return true;
}

}  // namespace station
