// The maximum-SWR dialog of a sensor.
#pragma once

namespace swr {

// Lets the user choose sensor 1, 2 or 3's SWR limit on a slider and sends it;
// returns when the dialog has been accepted or closed.
void RunSwrLimitDialog(int sensor);

}  // namespace swr
