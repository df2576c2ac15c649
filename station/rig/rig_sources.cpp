// The rule for several transceiver sources; see rig_sources.h.
#include "station/rig/rig_sources.h"

namespace station {

const RigSourceRow kRigSourceOrder[kRigSourceCount] = {
    {RigSource::Rig, "rigctld (--rig)"},
    {RigSource::N1mm, "N1MM Logger+ (--n1mm)"},
    {RigSource::Wsjtx, "WSJT-X/JTDX (--wsjtx)"},
};

RigState CombineRig(const RigStates& states) {
  RigState out;
  bool tuned = false;
  for (const RigSourceRow& row : kRigSourceOrder) {
    const RigState& s = states[static_cast<std::size_t>(row.source)];
    if (!s.connected) continue;
    if (!tuned) {
      out = s;
      out.antenna.reset();
      out.ptt.reset();
      tuned = true;
    }
    if (s.ptt) out.ptt = out.ptt.value_or(false) || *s.ptt;
    if (!out.antenna) out.antenna = s.antenna;
  }
  return out;
}

RigSources::RigSources(RigStateBox& out) : out_(out) {
  for (RigStateBox& box : boxes_) box.SetListener([this](const RigState&) { Merge(); });
}

RigSources::~RigSources() {
  for (RigStateBox& box : boxes_) box.SetListener(nullptr);
}

void RigSources::Merge() {
  std::lock_guard<std::mutex> lock(mutex_);
  RigStates states;
  for (std::size_t i = 0; i < kRigSourceCount; ++i) states[i] = boxes_[i].Snapshot();
  out_.Store(CombineRig(states));
}

}  // namespace station
