// The reader's pause between passes: 20 ms, with the system timer resolution
// raised to 1 ms for its length where the platform needs that.
#pragma once

namespace swr {
void ReaderPause();
}
