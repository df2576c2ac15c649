// Every user action that sends a command, and the bytes 1..3 it puts into
// the send buffer. The dispatch in the user interface is a lookup here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/reports.h"

namespace swr {

// Menu item identifiers (a space of their own: they arrive as menu events).
enum MenuId : int {
  MenuMaxSwrSensor1 = 21,
  MenuMaxSwrSensor2 = 22,
  MenuMaxSwrSensor3 = 23,
  MenuAboutProgram = 25,
  MenuAboutAuthor = 26,
  MenuPower1_50W = 24,
  MenuPower1_120W = 29,
  MenuPower1_400W = 30,
  MenuPower1_600W = 27,
  MenuPower1_1200W = 28,
  MenuPower2_50W = 31,
  MenuPower2_120W = 32,
  MenuPower2_400W = 33,
  MenuPower2_600W = 90,
  MenuPower2_1200W = 91,
  MenuPower3_50W = 92,
  MenuPower3_120W = 34,
  MenuPower3_400W = 35,
  MenuPower3_600W = 36,
  MenuPower3_1200W = 94,
  MenuSelectSensor1 = 95,
  MenuSelectSensor2 = 96,
  MenuSelectSensor3 = 97,
};

// Control identifiers of the main window's controls that send commands.
enum CommandControlId : int {
  BlockingCheckBoxId = 13,
  Sensor1ButtonId = 16,
  Sensor2ButtonId = 17,
  Sensor3ButtonId = 18,
};

// Bytes 1..3 of a command. hasValue is false for commands that leave
// byte 3 alone (SelectSensor, SetBlocking).
struct CommandBytes {
  CommandCode command;
  std::uint8_t selector;
  std::uint8_t value;
  bool hasValue;
};

struct PowerRange {
  int watts;
  std::uint8_t code;  // 1200 / watts
};

constexpr PowerRange kPowerRanges[] = {
    {50, 24}, {120, 10}, {400, 3}, {600, 2}, {1200, 1}};

// One row per action that maps to a fixed command.
struct ActionCommand {
  int id;  // menu item or control identifier
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

// The check box sends its new state: 1 = ticked, anything else = cleared.
CommandBytes BlockingCommand(int checked);

// Power range code for a maximum power in watts; 0 for any other wattage.
std::uint8_t PowerRangeCode(int watts);

// The SWR limit as the dialog holds it: slider position / 10 in single
// precision.
float SwrLimitFromPosition(int position);
// The byte that carries the limit: the value times 10, rounded to nearest.
std::uint8_t SwrLimitByte(float limit);
CommandBytes SwrLimitCommand(int sensor, float limit);

}  // namespace swr
