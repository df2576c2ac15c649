// The program-wide state of the user-interface thread.
#pragma once

#include "ui/ui.h"
#include "device/hid_link.h"
#include "device/send_buffer.h"

namespace swr {

// The controller handle reserved for writing (0 = not open). The reading
// handle belongs to the reader (measure/reader.h).
extern HidLink::Handle writeHandle;
// 1 while the controller is connected and both handles are open.
extern int lastPresence;
// The one CommandReport buffer; zeroed at start-up.
extern SendBuffer sendBuffer;
// Last state read from the blocking check box.
extern int blockingState;

}  // namespace swr
