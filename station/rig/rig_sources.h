// The transceiver's state from several sources at once (--rig, --n1mm,
// --wsjtx): the one rule that merges them, as a table of the sources in
// the order they are trusted for the tuning, and the boxes that apply it.
#pragma once

#include <array>
#include <cstddef>
#include <mutex>

#include "station/rig/rig_state.h"

namespace station {

// In the order the tuning is taken: rigctld reads the transceiver itself;
// N1MM Logger+ reads it by CAT for the contest (and knows the antenna);
// WSJT-X's Status is what the program last set or heard.
enum class RigSource : std::size_t { Rig, N1mm, Wsjtx };
constexpr std::size_t kRigSourceCount = 3;

struct RigSourceRow {
  RigSource source;
  const char* name;  // for the user's guide and messages
};
extern const RigSourceRow kRigSourceOrder[kRigSourceCount];

using RigStates = std::array<RigState, kRigSourceCount>;  // indexed by RigSource

// The first connected source in kRigSourceOrder gives the frequency, band,
// mode and passband; PTT is on when any connected source says so (a
// transmission keyed by one that another never sees is gated all the
// same), off when one reports it and none says on, absent only when none
// reports it; the antenna is the first connected source's that knows one.
RigState CombineRig(const RigStates& states);

// The sources' own boxes, merged by CombineRig into `out` at each change
// of any (on the changing source's thread).
class RigSources {
 public:
  explicit RigSources(RigStateBox& out);
  ~RigSources();
  RigSources(const RigSources&) = delete;
  RigSources& operator=(const RigSources&) = delete;

  RigStateBox& Of(RigSource source) { return boxes_[static_cast<std::size_t>(source)]; }

 private:
  void Merge();
  std::array<RigStateBox, kRigSourceCount> boxes_;
  RigStateBox& out_;
  std::mutex mutex_;  // one merge at a time, so a stale one never lands last
};

}  // namespace station
