// The user-interface thread's main loop and the one path by which a command
// leaves the program.
#pragma once

namespace swr {

// Runs until the first Close event.
void MainEventLoop();

// Puts the send buffer on the wire, or tells the user there is no controller.
void SendBufferedCommand();

}  // namespace swr
