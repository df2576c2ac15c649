// WSJT-X's and JTDX's logged QSOs as the station log's QSOs: a QSO Logged
// message or a Logged ADIF record made into a Qso (pure), and the memory
// that keeps one QSO reported both ways from being logged twice.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "station/log/qso.h"
#include "station/wsjtx/wsjtx_message.h"

namespace station {

// The QSO a parsed QSO Logged (5) or Logged ADIF (12) message describes:
// call, grid, band (from the Tx frequency), Tx frequency, mode, reports,
// time on and off in UTC and the sender's id. None for other messages, for
// one without a call or a UTC time on (a local time cannot be placed), and
// for an ADIF record that cannot be read or names no date, time or band.
std::optional<Qso> QsoOfWsjtx(const WsjtxMessage& message);

// WSJT-X reports each logged QSO twice, as a QSO Logged and as a Logged
// ADIF record, and a sender may repeat itself: the QSOs handed on lately,
// so that a second report of one (same sender, call and band, time on
// within a minute: ADIF's time has no milliseconds, some loggers' no
// seconds) is told apart from a new QSO, whichever report comes first.
class WsjtxQsoSeen {
 public:
  static constexpr std::size_t kRemembered = 32;
  // True when `qso` is new (and remembers it), false when it was seen.
  bool First(const Qso& qso);

 private:
  std::vector<Qso> recent_;  // oldest first, at most kRemembered
};

}  // namespace station
