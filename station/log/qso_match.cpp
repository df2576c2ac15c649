// The QSO matcher: which transmissions belong to a QSO, and their sums.
#include "station/log/qso.h"

#include <algorithm>
#include <cctype>

#include "station/rig/bands.h"

namespace station {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::int64_t QsoSlackMs(const std::string& mode) {
  const std::string m = Upper(mode);
  if (m == "FT8") return 15000;
  if (m == "FT4") return 7500;
  return kMaxQsoSlackMs;
}

std::string QsoBand(const Qso& qso) {
  if (!qso.band.empty()) {
    std::string b = qso.band;  // ADIF's bands are in either case; ours in lower
    for (char& c : b) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return b;
  }
  if (!qso.frequencyHz) return "";
  const Band* band = BandOf(*qso.frequencyHz);
  return band != nullptr ? band->name : "";
}

std::optional<QsoMeasurement> MatchQso(const Qso& qso, const std::vector<Transmission>& list) {
  const std::string band = QsoBand(qso);
  if (band.empty()) return std::nullopt;
  const std::int64_t slack = QsoSlackMs(qso.mode);
  const std::int64_t from = qso.timeOnMs - slack;
  const std::int64_t to = std::max(qso.timeOffMs, qso.timeOnMs) + slack;
  QsoMeasurement m;
  double energy = 0;  // watt-milliseconds
  for (const Transmission& t : list) {
    if (!t.band || *t.band != band || t.endUnixMs <= from || t.startUnixMs >= to) continue;
    if (m.transmissions == 0 || t.peakPower > m.peakPower) {
      m.peakPower = t.peakPower;
      m.sensor = t.sensor;
      m.antenna = t.antenna;
    }
    if (t.maxSwr && (!m.maxSwr || *t.maxSwr > *m.maxSwr)) m.maxSwr = t.maxSwr;
    m.onAirMs += t.DurationMs();
    energy += t.averagePower * static_cast<double>(t.DurationMs());
    ++m.transmissions;
  }
  if (m.transmissions == 0) return std::nullopt;
  m.averagePower = m.onAirMs > 0 ? energy / static_cast<double>(m.onAirMs) : 0;
  return m;
}

}  // namespace station
