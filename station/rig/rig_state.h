// What the station knows about the transceiver: one snapshot, written by the
// rig link's thread (or the demo's simulated transceiver) and read by anyone
// without waiting on the link.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace station {

struct RigState {
  bool connected = false;                  // rigctld answers (the rest is empty otherwise)
  std::optional<std::int64_t> frequencyHz; // the rig's frequency, when it reports one
  std::string band;                        // from the band plan; empty outside every band
  std::string mode;                        // "USB", "CW", "PKTUSB"...; empty when unknown
  std::optional<int> passbandHz;           // when the rig reports one
  std::optional<bool> ptt;                 // absent when the rig does not report PTT
  std::optional<int> antenna;              // the selected antenna, when a source says (N1MM: 0-63)
  std::uint64_t changes = 0;               // counts every change of the fields above
};

// The field-by-field equality of two states, ignoring `changes`.
bool SameRig(const RigState& a, const RigState& b);

// Fills `band` from `frequencyHz`.
void SetBand(RigState& state);

// The shared snapshot. Writers hold the lock only to copy; the listener runs
// on the writer's thread after each change, outside the lock (keep it short:
// a post or a flag).
class RigStateBox {
 public:
  RigState Snapshot() const;
  // Stores `state` (its `changes` is ignored); returns true when it differed.
  bool Store(const RigState& state);
  void SetListener(std::function<void(const RigState&)> listener);

 private:
  mutable std::mutex mutex_;
  RigState state_;
  std::function<void(const RigState&)> listener_;
};

}  // namespace station
