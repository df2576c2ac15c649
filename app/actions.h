// Every user action with a fixed command: the main window's menu items and
// buttons, each mapped to the device's command builder (device/commands.h).
// The dispatch in the event loop is a lookup here.
#pragma once

#include "device/commands.h"

namespace swr {

// One row per action that maps to a fixed command.
struct ActionCommand {
  int id;  // menu item or control identifier (app/main_window.h)
  CommandBytes bytes;
};

// The 15 power-range items and the three sensor items of the menu.
extern const ActionCommand kMenuCommands[18];
// The three sensor buttons.
extern const ActionCommand kControlCommands[3];

// The command of a menu item, or nullptr for items that send nothing.
const CommandBytes* MenuCommand(int menuId);
// The command of a main-window control with a fixed command, or nullptr.
const CommandBytes* ControlCommand(int controlId);

}  // namespace swr
