// The reader's pause between passes on Windows: 20 ms with the system timer
// raised to 1 ms resolution for its length, so the sleep is not rounded up to
// the default timer tick.
#include "measure/reader_pause.h"

#include <windows.h>
#include <timeapi.h>

namespace swr {

void ReaderPause() {
  timeBeginPeriod(1);
  Sleep(20);
  timeEndPeriod(1);
}

}  // namespace swr
