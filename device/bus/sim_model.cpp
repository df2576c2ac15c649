// The controller's side of the protocol, as the simulated bus plays it: its
// factory settings, the readings it sends and how it takes each command.
#include "device/bus/sim_model.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "device/bus/sim_overs.h"
#include "device/reports.h"

namespace sim_model {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The antenna match behind each sensor, as an SWR around which the readings
// drift.
constexpr double kSensorSwr[3] = {1.25, 1.6, 2.4};
// The forward level of a detector at rest is 1 to this many counts.
constexpr int kRestCounts = 3;

// Set by SimBus::SetTransmitter from the demo's transceiver: its PTT gates
// the transmitter, and the band's antenna match replaces the sensor's.
std::atomic<bool> gKeyed{true};
std::atomic<double> gAntennaSwr{0.0};

// The forward level of the active sensor at time t: a steady carrier that
// drifts like a transmitter's output; the station's overs, their peaks near
// full scale; or, while nothing is sent, the few counts of a detector at rest.
double ForwardLevel(SimBus::Keying keying, int sensor, std::uint64_t sequence, double t) {
  const double jitter = static_cast<double>(Noise(sequence) % 7) - 3.0;
  double drive = 1.0;
  if (keying == SimBus::Keying::Idle) drive = 0.0;
  if (keying == SimBus::Keying::Overs) drive = sim_overs::Drive(t);
  if (drive <= 0.0) return 1.0 + Noise(sequence) % kRestCounts;
  if (keying == SimBus::Keying::Carrier) {
    return 170.0 + 45.0 * std::sin(2 * kPi * t / 7.0) + 12.0 * std::sin(2 * kPi * t / 1.3 + sensor) +
           jitter;
  }
  return drive * (225.0 + 12.0 * std::sin(2 * kPi * t / 1.3 + sensor)) + jitter;
}

}  // namespace

std::uint32_t Noise(std::uint64_t n) {
  n ^= n >> 33;
  n *= 0xff51afd7ed558ccdULL;
  n ^= n >> 33;
  n *= 0xc4ceb9fe1a85ec53ULL;
  n ^= n >> 33;
  return static_cast<std::uint32_t>(n);
}

SimBus::Settings DefaultSettings() {
  SimBus::Settings s{};
  s.activeSensor = 1;
  for (int i = 0; i < 3; ++i) {
    s.powerRangeCode[i] = 10;  // 120 W
    s.swrLimit[i] = 20;        // 2.0
  }
  s.blocking = false;
  return s;
}

// A believable reading of the active sensor at time t (seconds since the
// device came up): the forward level as the transmitter drives it, the
// reflected level following from the sensor's antenna match, and the SWR the
// controller reports the one F and R give.
Report MakeReport(const SimBus::Settings& settings, SimBus::Keying keying, std::uint64_t sequence,
                  double t) {
  const int sensor = settings.activeSensor;
  double level = std::clamp(ForwardLevel(keying, sensor, sequence, t), 0.0, 255.0);
  // Between the transceiver's overs the detectors are at rest, as in Idle.
  if (!gKeyed) level = 1.0 + Noise(sequence) % kRestCounts;
  const double antenna = gAntennaSwr > 0 ? gAntennaSwr.load() : kSensorSwr[sensor - 1];
  const double swr = antenna + 0.15 * std::sin(2 * kPi * t / 11.0 + sensor);
  const double gamma = (swr - 1.0) / (swr + 1.0);
  const int f = static_cast<int>(std::lround(level));
  // At rest (a few counts) the detectors show no reflection: SWR 1.0.
  const int r = f > kRestCounts ? static_cast<int>(std::lround(f * gamma)) : 0;
  int swrTenths = 0;
  if (f > 0) {
    swrTenths = f > r ? static_cast<int>(std::lround(10.0 * (f + r) / (f - r))) : 255;
    swrTenths = std::min(swrTenths, 255);
  }
  const bool blockingActive = settings.blocking && swrTenths > settings.swrLimit[sensor - 1];
  Report out{};
  out[swr::input::activeSensor] = static_cast<std::uint8_t>(sensor);
  out[swr::input::forwardLevel] = static_cast<std::uint8_t>(f);
  out[swr::input::reflectedLevel] = static_cast<std::uint8_t>(r);
  out[swr::input::powerDivisor] = settings.powerRangeCode[sensor - 1];
  out[swr::input::swrTenths] = static_cast<std::uint8_t>(swrTenths);
  out[SimBus::kBlockingByte] = blockingActive ? 1 : 0;
  out[SimBus::kSequenceByte] = static_cast<std::uint8_t>(sequence & 0xff);
  return out;
}

void ApplyCommand(SimBus::Settings& settings, const Report& c) {
  const int selector = c[swr::command::selector];
  const std::uint8_t value = c[swr::command::value];
  const bool sensorOk = selector >= 1 && selector <= 3;
  switch (c[swr::command::code]) {
    case static_cast<std::uint8_t>(swr::CommandCode::SetPowerRange):
      if (sensorOk) settings.powerRangeCode[selector - 1] = value;
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SetMaxSwr):
      if (sensorOk) settings.swrLimit[selector - 1] = value;
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SelectSensor):
      if (sensorOk) settings.activeSensor = static_cast<std::uint8_t>(selector);
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SetBlocking):
      if (selector == swr::kBlockingOn) settings.blocking = true;
      if (selector == swr::kBlockingOff) settings.blocking = false;
      break;
    default:
      break;  // unknown commands are ignored
  }
}

}  // namespace sim_model

void SimBus::SetTransmitter(bool keyed, double antennaSwr) {
  sim_model::gKeyed = keyed;
  sim_model::gAntennaSwr = antennaSwr;
}
