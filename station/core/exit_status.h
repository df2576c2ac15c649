// The exit statuses of swrctl.
#pragma once

namespace station {

constexpr int kExitOk = 0;
// The controller is there but could not be opened or written.
constexpr int kExitFailure = 1;
// No controller, or the controller went away during watch.
constexpr int kExitNoController = 2;
// The command line was wrong; nothing was sent.
constexpr int kExitUsage = 64;

}  // namespace station
