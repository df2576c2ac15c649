// Putting a command into the send buffer and sending it in one write,
// clearing the buffer whatever the write returned; see send_buffer.h.
#include "device/send_buffer.h"

#include <cstring>

#include "device/reports.h"

namespace swr {

void PutCommand(SendBuffer& buffer, const CommandBytes& bytes) {
  buffer[command::code] = static_cast<std::uint8_t>(bytes.command);
  buffer[command::selector] = bytes.selector;
  if (bytes.hasValue) buffer[command::value] = bytes.value;
}

SendOutcome SendBufferOn(SendBuffer& buffer, HidLink::Handle writeHandle) {
  SendOutcome outcome = SendOutcome::NoDevice;
  if (writeHandle != 0) {
    HidLink::Write(writeHandle, buffer, static_cast<int>(kReportSize));
    outcome = SendOutcome::Written;
  }
  std::memset(buffer + 1, 0, kReportSize - 1);
  return outcome;
}

}  // namespace swr
