// The name of the calling thread as the system shows it (top -H, ps -L, a
// debugger), so that a user or a benchmark can tell the service's threads
// apart: "swr-rig", "swr-http"... Best effort: a system without names ignores it.
#pragma once

namespace station {

// `name` is ASCII of at most 15 characters (Linux keeps no more).
void NameThisThread(const char* name);

}  // namespace station
