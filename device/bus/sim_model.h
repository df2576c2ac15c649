// The model of the controller behind the simulated bus: what it keeps, what
// it reports and how it takes a command. No state of its own; the bus
// (hid_bus_sim.cpp) holds each device's settings and its report schedule.
#pragma once

#include <array>
#include <cstdint>

#include "device/bus/sim_controller.h"

namespace sim_model {

using Report = std::array<std::uint8_t, 9>;

// Sensor 1 active, 120 W ranges, SWR limits 2.0, blocking off.
SimBus::Settings DefaultSettings();

// The report numbered `sequence`, sent `t` seconds after the device came up,
// while the transmitter does what `keying` says.
Report MakeReport(const SimBus::Settings& settings, SimBus::Keying keying, std::uint64_t sequence,
                  double t);

// Deterministic noise: a well-mixed number for each n.
std::uint32_t Noise(std::uint64_t n);

// Applies one 9-byte command; unknown commands and sensors are ignored.
void ApplyCommand(SimBus::Settings& settings, const Report& command);

}  // namespace sim_model
