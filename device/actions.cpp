// The tables of user actions and the bytes each sends (the menu's power
// ranges, the sensor buttons) and the builders of the SWR-limit and blocking
// commands; see actions.h.
#include "device/actions.h"

#include <cmath>

namespace swr {

namespace {
constexpr CommandBytes Power(std::uint8_t sensor, std::uint8_t code) {
  return {CommandCode::SetPowerRange, sensor, code, true};
}
constexpr CommandBytes Select(std::uint8_t sensor) {
  return {CommandCode::SelectSensor, sensor, 0, false};
}
}  // namespace

const ActionCommand kMenuCommands[18] = {
    {MenuPower1_50W, Power(1, 24)},   {MenuPower1_120W, Power(1, 10)},
    {MenuPower1_400W, Power(1, 3)},   {MenuPower1_600W, Power(1, 2)},
    {MenuPower1_1200W, Power(1, 1)},  {MenuPower2_50W, Power(2, 24)},
    {MenuPower2_120W, Power(2, 10)},  {MenuPower2_400W, Power(2, 3)},
    {MenuPower2_600W, Power(2, 2)},   {MenuPower2_1200W, Power(2, 1)},
    {MenuPower3_50W, Power(3, 24)},   {MenuPower3_120W, Power(3, 10)},
    {MenuPower3_400W, Power(3, 3)},   {MenuPower3_600W, Power(3, 2)},
    {MenuPower3_1200W, Power(3, 1)},  {MenuSelectSensor1, Select(1)},
    {MenuSelectSensor2, Select(2)},   {MenuSelectSensor3, Select(3)},
};

const ActionCommand kControlCommands[3] = {
    {Sensor1ButtonId, Select(1)},
    {Sensor2ButtonId, Select(2)},
    {Sensor3ButtonId, Select(3)},
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

const CommandBytes* ControlCommand(int controlId) {
  return Lookup(kControlCommands, controlId);
}

CommandBytes BlockingCommand(int checked) {
  return {CommandCode::SetBlocking, checked == 1 ? kBlockingOn : kBlockingOff, 0, false};
}

std::uint8_t PowerRangeCode(int watts) {
  for (const PowerRange& range : kPowerRanges) {
    if (range.watts == watts) return range.code;
  }
  return 0;
}

float SwrLimitFromPosition(int position) {
  return static_cast<float>(position) / 10.0f;
}

std::uint8_t SwrLimitByte(float limit) {
  const float scaled = limit * 10.0f;
  if (!(scaled > 0.0f)) return 0;       // also NaN
  if (scaled >= 255.0f) return 255;     // the slider never gets here
  return static_cast<std::uint8_t>(std::lround(scaled));
}

CommandBytes SwrLimitCommand(int sensor, float limit) {
  return {CommandCode::SetMaxSwr, static_cast<std::uint8_t>(sensor), SwrLimitByte(limit), true};
}

}  // namespace swr
