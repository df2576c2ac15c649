// The simulated bus's devices, handles and report schedule.
#include "device/bus/sim_bus_state.h"

#include <algorithm>

#include "device/reports.h"

namespace sim_bus {

bool IsControllerIdentity(const SimBus::Identity& id) {
  return id.vendorId == swr::ControllerVendorId && id.productId == swr::ControllerProductId;
}

std::shared_ptr<Device> NewDevice(Bus& bus, SimBus::Identity identity, bool readWriteOpens) {
  auto d = std::make_shared<Device>();
  d->path = "sim:" + std::to_string(bus.nextPath++);
  d->identity = identity;
  d->readWriteOpens = readWriteOpens;
  d->settings = sim_model::DefaultSettings();
  d->born = Clock::now();
  d->epoch = d->born;
  return d;
}

void ResetLocked(Bus& bus) {
  for (auto& entry : bus.handles) entry.second->closed = true;
  bus.handles.clear();
  bus.sets.clear();
  bus.devices.clear();
  bus.controller = NewDevice(bus, {swr::ControllerVendorId, swr::ControllerProductId, 0x0100}, true);
  bus.devices.push_back(bus.controller);
  bus.lastDelivered = {};
  bus.staleUses = 0;
  bus.changed.notify_all();
}

Bus& TheBus() {
  static Bus* bus = [] {
    auto* b = new Bus;  // lives until the process ends, like the device
    ResetLocked(*b);
    b->controller->keying = SimBus::Keying::Overs;
    return b;
  }();
  return *bus;
}

Clock::duration Period(const Device& d) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / d.rate));
}

Clock::time_point DueTime(const Device& d, std::uint64_t sequence) {
  return d.epoch + Period(d) * static_cast<Clock::rep>(sequence - d.base);
}

void Advance(Bus& bus, Device& d, Clock::time_point now) {
  if (!d.plugged || d.rate <= 0 || !IsControllerIdentity(d.identity)) return;
  const auto elapsed = now - d.epoch;
  if (elapsed.count() < 0) return;
  const std::uint64_t due = d.base + static_cast<std::uint64_t>(elapsed / Period(d));
  if (due <= d.produced) return;
  // Only the newest kQueueDepth can still sit in any queue.
  const std::uint64_t first = std::max(d.produced + 1, due > SimBus::kQueueDepth ? due - SimBus::kQueueDepth + 1 : 1);
  for (std::uint64_t seq = first; seq <= due; ++seq) {
    const Clock::time_point at = DueTime(d, seq);
    const double t = std::chrono::duration<double>(at - d.born).count();
    const Queued q{sim_model::MakeReport(d.settings, d.keying, seq, t), seq, at};
    for (auto& entry : bus.handles) {
      OpenHandle& h = *entry.second;
      if (h.device.get() != &d || h.access != HidBus::Access::ReadWrite ||
          h.generation != d.generation)
        continue;
      h.queue.push_back(q);
      if (h.queue.size() > SimBus::kQueueDepth) h.queue.pop_front();
    }
  }
  d.produced = due;
}

void Restart(Device& d, Clock::time_point now) {
  d.epoch = now;
  d.base = d.produced;
}

std::shared_ptr<OpenHandle> FindHandle(Bus& bus, HidBus::Handle handle) {
  const auto it = bus.handles.find(handle);
  return it == bus.handles.end() ? nullptr : it->second;
}

std::shared_ptr<Device> DeviceAt(Bus& bus, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= bus.devices.size()) return nullptr;
  return bus.devices[index];
}

}  // namespace sim_bus
