// The rule that gives a QSO (station/core/qso_record.h) what the meter
// measured: the transmissions on its band around its times. Pure:
// the matcher is handed the transmissions and reads nothing itself.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "station/core/qso_record.h"
#include "station/log/detector.h"

namespace station {

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

}  // namespace station
