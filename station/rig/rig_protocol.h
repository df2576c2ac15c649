// rigctld's plain network protocol, as this program speaks it: one poll
// asks in one write for PTT (unless the rig has none), the tuning (frequency
// and mode) or both, and the answer is parsed here, a pure function of the
// bytes.
//
//   sent:     "t\nf\nm\n"  (or "f\nm\n", or "t\n")
//   answered: "0\n7100000\nUSB\n2400\n"; any get may answer "RPRT -N\n"
//             instead (RPRT -11 / -4 to "t": the rig reports no PTT).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace station {

// Longest line and longest whole answer accepted; more is a misbehaving server.
constexpr std::size_t kRigMaxLine = 64;
constexpr std::size_t kRigMaxReply = 256;

// What one poll asks for.
struct RigAsk {
  bool ptt = true;     // "t"
  bool tuning = true;  // "f" and "m"
};

// The bytes of one poll.
std::string RigPollCommand(RigAsk ask);

enum class RigReplyStatus { Incomplete, Complete, Bad };

struct RigReply {
  RigReplyStatus status = RigReplyStatus::Incomplete;
  std::optional<std::int64_t> frequencyHz;
  std::string mode;
  std::optional<int> passbandHz;
  std::optional<bool> ptt;
  bool pttUnsupported = false;  // "t" answered RPRT -11 or -4
  std::string rigError;         // "f: RPRT -5" when a get failed (the link stays up)
  std::string bad;              // why the answer is Bad
};

// Parses the answer to RigPollCommand(ask) from the bytes received so
// far. Incomplete: wait for more; Complete: every get answered, nothing
// left over; Bad: not rigctld's answer (garbage, a line or answer too long,
// bytes beyond the answer).
RigReply ParseRigReply(std::string_view bytes, RigAsk ask);

}  // namespace station
