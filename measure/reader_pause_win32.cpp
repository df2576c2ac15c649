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
