// The simulated HID bus: the seam's operations over the devices and handles
// of sim_bus_state.h. A read waits for the next report due on its handle.
#include <algorithm>

#include "device/bus/sim_bus_state.h"

using namespace sim_bus;

namespace HidBus {

void Init() { TheBus(); }
void Shutdown() {}

DeviceSet OpenDeviceSet() {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  std::vector<std::shared_ptr<Device>> present;
  for (const auto& d : bus.devices) {
    if (d->plugged) present.push_back(d);
  }
  const DeviceSet set = bus.nextSet++;
  bus.sets[set] = std::move(present);
  return set;
}

bool InterfacePath(DeviceSet set, int index, std::string& path) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto it = bus.sets.find(set);
  if (it == bus.sets.end() || index < 0 || static_cast<std::size_t>(index) >= it->second.size())
    return false;
  path = it->second[index]->path;
  return true;
}

void CloseDeviceSet(DeviceSet set) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  bus.sets.erase(set);
}

Handle OpenPath(const std::string& path, Access access) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  for (const auto& d : bus.devices) {
    if (d->path != path) continue;
    if (!d->plugged) return 0;
    if (access == Access::ReadWrite && !d->readWriteOpens) return 0;
    // Reports produced before the open are not delivered on this handle.
    Advance(bus, *d, Clock::now());
    auto h = std::make_shared<OpenHandle>();
    h->device = d;
    h->generation = d->generation;
    h->access = access;
    const Handle id = bus.nextHandle++;
    bus.handles[id] = std::move(h);
    return id;
  }
  return 0;
}

bool GetAttributes(Handle handle, Attributes& out) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto h = FindHandle(bus, handle);
  if (!h || h->generation != h->device->generation) return false;
  out.vendorId = h->device->identity.vendorId;
  out.productId = h->device->identity.productId;
  out.version = h->device->identity.version;
  return true;
}

void ClosePath(Handle handle) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto it = bus.handles.find(handle);
  if (it == bus.handles.end()) return;
  it->second->closed = true;
  // Closing a handle that a read is still using is the caller's fault (on
  // Windows the read would go on, and the handle value could be reused).
  // The read is failed here so that nothing hangs, and the fault counted.
  if (it->second->reads > 0) ++bus.staleUses;
  bus.handles.erase(it);
  bus.changed.notify_all();
}

int ReadReport(Handle handle, std::uint8_t* buffer, int length) {
  Bus& bus = TheBus();
  std::unique_lock<std::mutex> lock(bus.mutex);
  const auto h = FindHandle(bus, handle);
  if (!h) {
    ++bus.staleUses;
    return 0;
  }
  Device& d = *h->device;
  // Like a HID stack: a buffer shorter than the report fails, a longer one
  // takes the report.
  if (h->access != Access::ReadWrite || buffer == nullptr || length < 9) return 0;
  const std::uint64_t cancels = h->cancels;
  ++h->reads;
  for (;;) {
    if (h->closed || h->cancels != cancels || h->generation != d.generation || d.readFails) {
      --h->reads;
      return 0;
    }
    const auto now = Clock::now();
    Advance(bus, d, now);
    if (!h->queue.empty()) break;
    ++bus.blockedReads;
    if (d.plugged && d.rate > 0 && IsControllerIdentity(d.identity)) {
      bus.changed.wait_until(lock, DueTime(d, d.produced + 1));
    } else {
      bus.changed.wait(lock);
    }
    --bus.blockedReads;
  }
  --h->reads;
  const Queued q = h->queue.front();
  h->queue.pop_front();
  std::copy(q.report.begin(), q.report.end(), buffer);
  bus.lastDelivered = {q.sequence, q.produced};
  return 9;
}

int WriteReport(Handle handle, const std::uint8_t* buffer, int length) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  const auto h = FindHandle(bus, handle);
  if (!h) {
    ++bus.staleUses;
    return 0;
  }
  Device& d = *h->device;
  // Output reports are exactly 9 bytes with report ID 0.
  if (h->access != Access::ReadWrite || h->generation != d.generation || buffer == nullptr ||
      length != 9 || buffer[0] != 0)
    return 0;
  // Reports already due were produced with the settings before this command.
  Advance(bus, d, Clock::now());
  Report c{};
  std::copy(buffer, buffer + 9, c.begin());
  d.commands.push_back(c);
  sim_model::ApplyCommand(d.settings, c);
  return 9;
}

void CancelRead(Handle handle) {
  Bus& bus = TheBus();
  std::lock_guard<std::mutex> lock(bus.mutex);
  // Like a synchronous-I/O cancel: only a read already waiting is woken.
  const auto h = FindHandle(bus, handle);
  if (!h) return;
  ++h->cancels;
  bus.changed.notify_all();
}

}  // namespace HidBus
