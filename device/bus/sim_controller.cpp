// The controls of the simulated controller for tests and the demo: plug and
// unplug, other devices on the bus, failures, the report rate, what the
// transmitter behind it does, and what the controller received.
#include <algorithm>

#include "device/bus/sim_bus_state.h"

using namespace sim_bus;

namespace SimBus {

void Reset() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  ResetLocked(bus);
}

void SetPlugged(bool plugged) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  Device& d = *bus.controller;
  if (d.plugged == plugged) return;
  const auto now = Clock::now();
  Advance(bus, d, now);
  d.plugged = plugged;
  if (!plugged) {
    ++d.generation;
  } else {
    Restart(d, now);
  }
  bus.changed.notify_all();
}

bool IsPlugged() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.controller->plugged;
}

int AddInterface(Identity identity, bool readWriteOpens) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.devices.push_back(NewDevice(bus, identity, readWriteOpens));
  return static_cast<int>(bus.devices.size()) - 1;
}

void SetControllerIndex(int index) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  auto& list = bus.devices;
  list.erase(std::remove(list.begin(), list.end(), bus.controller), list.end());
  for (int i = static_cast<int>(list.size()); i < index; ++i) {
    // Other HID devices: keyboards, mice, a UPS...
    list.push_back(NewDevice(bus, {0x1234, static_cast<std::uint16_t>(0x0100 + i), 1}, true));
  }
  const auto at = list.begin() + std::min<std::ptrdiff_t>(std::max(index, 0), list.size());
  list.insert(at, bus.controller);
}

void SetOpenFails(bool fails) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.controller->readWriteOpens = !fails;
}

void SetReadFails(bool fails) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.controller->readFails = fails;
  bus.changed.notify_all();
}

void SetReportRate(int perSecond) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  Device& d = *bus.controller;
  const auto now = Clock::now();
  Advance(bus, d, now);
  d.rate = std::max(perSecond, 0);
  Restart(d, now);
  bus.changed.notify_all();
}

void SetKeying(Keying keying) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  Device& d = *bus.controller;
  // Reports already due were produced as the transmitter was before.
  Advance(bus, d, Clock::now());
  d.keying = keying;
}

std::vector<std::array<std::uint8_t, 9>> ReceivedCommands() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.controller->commands;
}

std::vector<std::array<std::uint8_t, 9>> ReceivedCommands(int index) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto d = DeviceAt(bus, index);
  return d ? d->commands : std::vector<std::array<std::uint8_t, 9>>{};
}

void ClearReceivedCommands() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  for (auto& d : bus.devices) d->commands.clear();
}

Settings ControllerSettings() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.controller->settings;
}

Delivery LastDelivered() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.lastDelivered;
}

int BlockedReads() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.blockedReads;
}

int OpenHandles() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return static_cast<int>(bus.handles.size());
}

std::uint64_t StaleHandleUses() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  return bus.staleUses;
}

}  // namespace SimBus
