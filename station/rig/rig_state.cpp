// The rig snapshot's store.
#include "station/rig/rig_state.h"

#include "station/rig/bands.h"

namespace station {

bool SameRig(const RigState& a, const RigState& b) {
  return a.connected == b.connected && a.frequencyHz == b.frequencyHz && a.band == b.band &&
         a.mode == b.mode && a.passbandHz == b.passbandHz && a.ptt == b.ptt &&
         a.antenna == b.antenna;
}

void SetBand(RigState& state) {
  const Band* band = state.frequencyHz ? BandOf(*state.frequencyHz) : nullptr;
  state.band = band ? band->name : "";
}

RigState RigStateBox::Snapshot() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return state_;
}

bool RigStateBox::Store(const RigState& state) {
  RigState stored;
  std::function<void(const RigState&)> listener;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (SameRig(state_, state)) return false;
    const std::uint64_t changes = state_.changes + 1;
    state_ = state;
    state_.changes = changes;
    stored = state_;
    listener = listener_;
  }
  if (listener) listener(stored);
  return true;
}

void RigStateBox::SetListener(std::function<void(const RigState&)> listener) {
  std::lock_guard<std::mutex> lock(mutex_);
  listener_ = std::move(listener);
}

}  // namespace station
