// WSJT-X/JTDX as a source of the transceiver's state: what a Status says as
// the RigState rigctld's link gives, and the one rule for both sources at
// once (--rig and --wsjtx), with the box that applies it.
#pragma once

#include <mutex>

#include "station/rig/rig_state.h"
#include "station/wsjtx/wsjtx_message.h"

namespace swrctl {

// Heard, on the Tx frequency (the dial plus the Tx audio offset), in the
// program's mode, with PTT while it transmits.
RigState RigFromWsjtx(const WsjtxStatus& status);

// Both sources given: the rig, while rigctld answers, gives the frequency,
// band, mode and passband (the transceiver's own word, split and offsets
// included); WSJT-X gives them while only it is heard. PTT is on when either
// says so, so a transmission keyed by WSJT-X through VOX or a serial line,
// which rigctld never sees, is gated all the same; it is absent only when
// neither reports it.
RigState CombineRig(const RigState& rig, const RigState& wsjtx);

// The two sources' own boxes, merged by CombineRig into `out` at each
// change of either (on the changing source's thread).
class RigSources {
 public:
  explicit RigSources(RigStateBox& out);
  ~RigSources();
  RigSources(const RigSources&) = delete;
  RigSources& operator=(const RigSources&) = delete;

  RigStateBox rig;    // the rig link writes here
  RigStateBox wsjtx;  // the WSJT-X listener writes here

 private:
  void Merge();
  RigStateBox& out_;
  std::mutex mutex_;  // one merge at a time, so a stale one never lands last
};

}  // namespace swrctl
