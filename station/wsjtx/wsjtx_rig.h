// WSJT-X/JTDX as a source of the transceiver's state: what a Status says as
// the RigState rigctld's link gives (rig_sources.h merges it with others).
#pragma once

#include "station/rig/rig_state.h"
#include "station/wsjtx/wsjtx_message.h"

namespace station {

// Heard, on the Tx frequency (the dial plus the Tx audio offset), in the
// program's mode, with PTT while it transmits.
RigState RigFromWsjtx(const WsjtxStatus& status);

}  // namespace station
