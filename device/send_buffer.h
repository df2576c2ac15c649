// The one process-wide command buffer and the rule by which it goes out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/commands.h"
#include "device/hid_link.h"

namespace swr {

// 10 bytes: the CommandReport in bytes 0..8 (byte 0 stays 0), byte 9 unused.
constexpr std::size_t kSendBufferSize = 10;
using SendBuffer = std::uint8_t[kSendBufferSize];

// Writes bytes 1..2, and byte 3 for commands that carry a value.
void PutCommand(SendBuffer& buffer, const CommandBytes& bytes);

enum class SendOutcome {
  Written,   // one 9-byte write was issued (its result is not examined)
  NoDevice,  // no write handle: nothing went out, tell the user
};

// With a write handle: bytes 0..8 in one write, then bytes 1..8 cleared
// whatever the write returned. Without one: nothing is written and bytes
// 1..8 are cleared all the same, so a refused command never rides along
// with the next one.
SendOutcome SendBufferOn(SendBuffer& buffer, HidLink::Handle writeHandle);

}  // namespace swr
