// The controller's four commands built from their operands (select a
// sensor, a power range, an SWR limit, blocking): bytes 1..3 of the report
// each puts into the send buffer. The panel's menu and buttons and the
// station's typed command are both built with these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "device/reports.h"

namespace swr {

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

// Power range code for a maximum power in watts; 0 for any other wattage.
constexpr std::uint8_t PowerRangeCode(int watts) {
  for (const PowerRange& range : kPowerRanges) {
    if (range.watts == watts) return range.code;
  }
  return 0;
}

// Makes sensor 1..3 the active one.
constexpr CommandBytes SelectSensorCommand(int sensor) {
  return {CommandCode::SelectSensor, static_cast<std::uint8_t>(sensor), 0, false};
}

// The maximum power of sensor 1..3 as one of kPowerRanges' wattages.
constexpr CommandBytes PowerRangeCommand(int sensor, int watts) {
  return {CommandCode::SetPowerRange, static_cast<std::uint8_t>(sensor), PowerRangeCode(watts),
          true};
}

// Blocking on or off.
constexpr CommandBytes BlockingCommand(bool on) {
  return {CommandCode::SetBlocking, on ? kBlockingOn : kBlockingOff, 0, false};
}

// The SWR limit as the dialog holds it: slider position / 10 in single
// precision.
float SwrLimitFromPosition(int position);
// The byte that carries the limit: the value times 10, rounded to nearest.
std::uint8_t SwrLimitByte(float limit);
// The SWR limit of sensor 1..3.
CommandBytes SwrLimitCommand(int sensor, float limit);

}  // namespace swr
