// WSJT-X's and JTDX's logged QSOs as the station log's QSOs: a QSO Logged
// message or a Logged ADIF record made into a Qso (pure), the memory that
// keeps one QSO reported both ways from being logged twice, and the
// hand-off of each new one that the UDP listeners share.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
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

// Where a listener's logged QSOs go: each new one to the sink, once; none
// is looked at or remembered without a sink.
class QsoHandOff {
 public:
  void To(std::function<void(const Qso&)> sink) { sink_ = std::move(sink); }
  bool Wanted() const { return static_cast<bool>(sink_); }
  void Give(const Qso& qso) {
    if (sink_ && seen_.First(qso)) sink_(qso);
  }

 private:
  std::function<void(const Qso&)> sink_;
  WsjtxQsoSeen seen_;
};

}  // namespace station
