// The table of user actions and their commands; see actions.h.
#include "app/actions.h"

#include <cstddef>

#include "app/main_window.h"

namespace swr {

const ActionCommand kMenuCommands[18] = {
    {MenuPower1_50W, PowerRangeCommand(1, 50)},
    {MenuPower1_120W, PowerRangeCommand(1, 120)},
    {MenuPower1_400W, PowerRangeCommand(1, 400)},
    {MenuPower1_600W, PowerRangeCommand(1, 600)},
    {MenuPower1_1200W, PowerRangeCommand(1, 1200)},
    {MenuPower2_50W, PowerRangeCommand(2, 50)},
    {MenuPower2_120W, PowerRangeCommand(2, 120)},
    {MenuPower2_400W, PowerRangeCommand(2, 400)},
    {MenuPower2_600W, PowerRangeCommand(2, 600)},
    {MenuPower2_1200W, PowerRangeCommand(2, 1200)},
    {MenuPower3_50W, PowerRangeCommand(3, 50)},
    {MenuPower3_120W, PowerRangeCommand(3, 120)},
    {MenuPower3_400W, PowerRangeCommand(3, 400)},
    {MenuPower3_600W, PowerRangeCommand(3, 600)},
    {MenuPower3_1200W, PowerRangeCommand(3, 1200)},
    {MenuSelectSensor1, SelectSensorCommand(1)},
    {MenuSelectSensor2, SelectSensorCommand(2)},
    {MenuSelectSensor3, SelectSensorCommand(3)},
};

const ActionCommand kControlCommands[3] = {
    {Sensor1ButtonId, SelectSensorCommand(1)},
    {Sensor2ButtonId, SelectSensorCommand(2)},
    {Sensor3ButtonId, SelectSensorCommand(3)},
};

namespace {
template <std::size_t N>
const CommandBytes* Lookup(const ActionCommand (&table)[N], int id) {
  for (const ActionCommand& row : table) {
    if (row.id == id) return &row.bytes;
  }
  return nullptr;
}
}  // namespace

const CommandBytes* MenuCommand(int menuId) { return Lookup(kMenuCommands, menuId); }

const CommandBytes* ControlCommand(int controlId) { return Lookup(kControlCommands, controlId); }

}  // namespace swr
