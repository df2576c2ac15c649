// The program's state shared by its parts (write handle, send buffer,
// presence, blocking) and its run from start-up to shutdown.
#include "app/program.h"

#include <cstring>

#include "app/event_loop.h"
#include "app/link_supervisor.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "ui/ui.h"
#include "measure/reader.h"

namespace swr {

HidLink::Handle writeHandle = 0;
int lastPresence = 0;
SendBuffer sendBuffer = {};
int blockingState = 0;

int RunProgram() {
  ui::Init();
  HidLink::Init();
  std::memset(sendBuffer, 0, sizeof sendBuffer);
  CreateFonts();
  StartReaderThread(ui::SetText);
  BuildMainWindow();
  ui::StartTimer(MainWindow, SupervisionTimer, kSupervisionPeriodMs);
  LinkSupervisor();
  MainEventLoop();

  // Nothing is sent to the controller on the way out, and the device handles
  // close with the process; the reader thread ends with it too.
  HidLink::Shutdown();
  ui::Shutdown();
  DeleteFonts();
  return 0;
}

}  // namespace swr
