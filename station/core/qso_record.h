// A QSO as the station keeps it: what was logged and what the meter
// measured for it. Plain data, in core so that every source of QSOs (the
// log's readers, WSJT-X, the demo's transceiver) shares the one type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace station {

// What the meter measured over a QSO's transmissions.
struct QsoMeasurement {
  int transmissions = 0;
  double peakPower = 0;     // watts, the highest peak of them
  double averagePower = 0;  // watts, averaged over their time on the air
  std::optional<double> maxSwr;
  std::int64_t onAirMs = 0;
  int sensor = 0;  // the sensor of the transmission with the highest peak
  std::optional<int> antenna = std::nullopt;  // ... and its antenna, where one is known
};

struct Qso {
  std::int64_t id = 0;  // given by the store; 0 before
  std::string call;
  std::string grid;
  std::string band;  // empty: taken from the frequency when it is in a band
  std::optional<std::int64_t> frequencyHz;
  std::string mode;
  std::string reportSent;
  std::string reportReceived;
  std::int64_t timeOnMs = 0;   // UTC, unix ms
  std::int64_t timeOffMs = 0;  // UTC, unix ms; the time on when not known
  std::string sender;          // the program that logged it (its id)
  std::optional<QsoMeasurement> measured;  // none: no transmission of it in the log (yet)
};

}  // namespace station
