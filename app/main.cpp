// Entry point of every panel executable. mingw's start-up code calls main()
// for GUI programs too, so one entry serves Windows and Linux alike.
#include <cstdio>
#include <cstdlib>

#include "app/program.h"

int main() {
  const int code = swr::RunProgram();
  // The reader thread is never stopped: end the process without running
  // static destructors under it.
  std::fflush(nullptr);
  std::_Exit(code);
}
