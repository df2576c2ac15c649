// The rig state a WSJT-X Status gives.
#include "station/wsjtx/wsjtx_rig.h"

#include <cstdint>

namespace station {
namespace {

// Above every band a transceiver tunes; a larger dial is no frequency.
constexpr std::int64_t kMaxHz = 1000000000000;  // 1 THz

}  // namespace

RigState RigFromWsjtx(const WsjtxStatus& status) {
  RigState state;
  state.connected = true;
  if (status.dialHz > 0 && status.dialHz <= static_cast<std::uint64_t>(kMaxHz)) {
    const std::int64_t hz = static_cast<std::int64_t>(status.dialHz) + status.txDf;
    if (hz > 0) state.frequencyHz = hz;
  }
  state.mode = status.mode.substr(0, 32);
  state.ptt = status.transmitting;
  SetBand(state);
  return state;
}

}  // namespace station
