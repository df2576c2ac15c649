// The reader's pause between passes on Linux: a plain 20 ms sleep.
#include <chrono>
#include <thread>

#include "measure/reader_pause.h"

namespace swr {

void ReaderPause() { std::this_thread::sleep_for(std::chrono::milliseconds(20)); }

}  // namespace swr
