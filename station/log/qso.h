// A QSO as the station log keeps it, and the rule that gives it what the
// meter measured: the transmissions on its band around its times. Pure:
// the matcher is handed the transmissions and reads nothing itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "station/log/detector.h"

namespace swrctl {

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

// How far before the time on and after the time off a QSO's transmissions
// may lie (ms): one cycle of FT8 (15 s) or FT4 (7.5 s), a minute for the
// minute-long cycles of JT65/JT9 and for every other mode (loggers round
// times to the minute).
std::int64_t QsoSlackMs(const std::string& mode);
// The largest slack of any mode.
constexpr std::int64_t kMaxQsoSlackMs = 60000;
// The longest transmission a QSO's query looks back for (its start may lie
// this far before the window and still overlap it).
constexpr std::int64_t kMaxQsoTransmissionMs = 3600000;

// The QSO's band: its own, or the one its frequency lies in ("" for none).
std::string QsoBand(const Qso& qso);

// The measurement of the transmissions among `list` that belong to `qso`:
// on its band, overlapping [time on - slack, time off + slack]. None when
// no transmission belongs to it.
std::optional<QsoMeasurement> MatchQso(const Qso& qso, const std::vector<Transmission>& list);

}  // namespace swrctl
