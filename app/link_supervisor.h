// Keeps the connection to the controller in step with the bus and the status
// bar clock current; runs on every supervision tick.
#pragma once

#include <string>

#include "measure/local_time.h"

namespace swr {

void LinkSupervisor();

// The wall clock the status bar shows; tests put their own in its place.
using ClockFunction = LocalTime (*)();
LocalTime SystemLocalTime();
void SetClock(ClockFunction clock);  // nullptr restores the system clock

std::string FormatClockTime(const LocalTime& time);  // "23:59:59"
std::string FormatClockDate(const LocalTime& time);  // "31.12.2026"

}  // namespace swr
