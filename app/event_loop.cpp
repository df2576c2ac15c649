// The main event loop: timer ticks to the link supervision, buttons and menu
// items to their commands or windows, and the one send of the send buffer.
#include "app/event_loop.h"

#include "app/actions.h"
#include "app/dialogs/about_windows.h"
#include "app/dialogs/swr_limit_dialog.h"
#include "app/link_supervisor.h"
#include "app/main_window.h"
#include "app/program_state.h"

namespace swr {

namespace {

// SelectSensor shows the chosen sensor at once; the next report confirms or
// overwrites it.
void IssueCommand(const CommandBytes& command) {
  if (command.command == CommandCode::SelectSensor) {
    const char digit[2] = {static_cast<char>('0' + command.selector), '\0'};
    ui::SetText(ActiveSensorField, digit);
  }
  PutCommand(sendBuffer, command);
  SendBufferedCommand();
}

void OnControl(int id) {
  if (const CommandBytes* command = ControlCommand(id)) {
    IssueCommand(*command);
  } else if (id == BlockingCheckBoxId) {
    // The check box has already toggled itself: send its new state (1 =
    // ticked, anything else = cleared).
    blockingState = ui::GetCheck(BlockingCheckBoxId);
    IssueCommand(BlockingCommand(blockingState == 1));
  }
}

void OnMenu(int id) {
  if (const CommandBytes* command = MenuCommand(id)) {
    IssueCommand(*command);
    return;
  }
  switch (id) {
    case MenuMaxSwrSensor1: RunSwrLimitDialog(1); break;
    case MenuMaxSwrSensor2: RunSwrLimitDialog(2); break;
    case MenuMaxSwrSensor3: RunSwrLimitDialog(3); break;
    case MenuAboutProgram: RunAboutProgramWindow(); break;
    case MenuAboutAuthor: RunAboutAuthorWindow(); break;
    default: break;
  }
}

}  // namespace

void MainEventLoop() {
  for (;;) {
    const ui::Event event = ui::WaitEvent();
    switch (event.kind) {
      case ui::EventKind::Timer:
        if (event.id == SupervisionTimer) LinkSupervisor();
        break;
      case ui::EventKind::Control: OnControl(event.id); break;
      case ui::EventKind::Menu: OnMenu(event.id); break;
      case ui::EventKind::Close: return;
      case ui::EventKind::None: break;
    }
  }
}

void SendBufferedCommand() {
  if (SendBufferOn(sendBuffer, writeHandle) == SendOutcome::NoDevice) {
    ui::ShowErrorBox(kDeviceNotConnected, kErrorBoxCaption);
  }
}

}  // namespace swr
