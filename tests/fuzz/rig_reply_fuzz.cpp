// Fuzz target: rigctld's answer to a poll, as the rig link reads it; the
// first byte chooses what the poll asked for.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "station/rig/rig_protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const station::RigReply reply = station::ParseRigReply(bytes, {(data[0] & 1) != 0, (data[0] & 2) != 0});
  // The link reads at most this much before it calls an answer bad.
  if (reply.status != station::RigReplyStatus::Bad && bytes.size() > station::kRigMaxReply) {
    __builtin_trap();
  }
  return 0;
}
