// The simulated HID bus: a list of devices, one of them the controller, and
// an in-process model of the controller's side of the protocol.
//
// Reports are produced on a fixed schedule (report n of a plug-in period is
// due n report periods after the plug-in) and materialised lazily whenever
// anyone touches the bus, so no thread of its own is needed. Each produced
// report is queued on every handle open for reading and writing at that
// moment, at most kQueueDepth per handle. All state sits behind one mutex;
// blocked reads wait on one condition variable.
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/bus/hid_bus.h"
#include "device/reports.h"
#include "device/bus/sim_controller.h"

namespace {

using Clock = std::chrono::steady_clock;
using Report = std::array<std::uint8_t, 9>;

constexpr int kDefaultRate = 25;
constexpr double kPi = 3.14159265358979323846;
// The antenna match behind each sensor, as an SWR around which the readings
// drift.
constexpr double kSensorSwr[3] = {1.25, 1.6, 2.4};

struct Device {
  std::string path;
  SimBus::Identity identity{};
  bool readWriteOpens = true;
  bool readFails = false;
  bool plugged = true;
  std::uint64_t generation = 0;  // bumped at every unplug: old handles die
  SimBus::Settings settings{};
  std::vector<Report> commands;
  Clock::time_point born;
  // Production schedule since the last plug-in or rate change.
  int rate = kDefaultRate;
  Clock::time_point epoch;
  std::uint64_t base = 0;      // reports produced before `epoch`
  std::uint64_t produced = 0;  // reports produced so far
};

struct Queued {
  Report report;
  std::uint64_t sequence;
  Clock::time_point produced;
};

struct OpenHandle {
  std::shared_ptr<Device> device;
  std::uint64_t generation = 0;
  HidBus::Access access = HidBus::Access::Query;
  std::deque<Queued> queue;
  bool closed = false;
  int reads = 0;              // reads inside now
  std::uint64_t cancels = 0;  // CancelRead calls so far
};

struct Bus {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::shared_ptr<Device>> devices;  // interface order
  std::shared_ptr<Device> controller;
  std::map<HidBus::Handle, std::shared_ptr<OpenHandle>> handles;
  std::map<HidBus::DeviceSet, std::vector<std::shared_ptr<Device>>> sets;
  HidBus::Handle nextHandle = 1;  // never reused, so stale uses show
  HidBus::DeviceSet nextSet = 1;
  int nextPath = 0;
  SimBus::Delivery lastDelivered;
  int blockedReads = 0;
  std::uint64_t staleUses = 0;
};

bool IsControllerIdentity(const SimBus::Identity& id) {
  return id.vendorId == swr::ControllerVendorId && id.productId == swr::ControllerProductId;
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

std::shared_ptr<Device> NewDevice(Bus& bus, SimBus::Identity identity, bool readWriteOpens) {
  auto d = std::make_shared<Device>();
  d->path = "sim:" + std::to_string(bus.nextPath++);
  d->identity = identity;
  d->readWriteOpens = readWriteOpens;
  d->settings = DefaultSettings();
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
    return b;
  }();
  return *bus;
}

std::uint32_t Noise(std::uint64_t n) {
  n ^= n >> 33;
  n *= 0xff51afd7ed558ccdULL;
  n ^= n >> 33;
  n *= 0xc4ceb9fe1a85ec53ULL;
  n ^= n >> 33;
  return static_cast<std::uint32_t>(n);
}

// A believable reading of the active sensor at time t (seconds since the
// device came up): the forward level drifts like a transmitter's output, the
// reflected level follows from the sensor's antenna match, and the SWR the
// controller reports is the one F and R give.
Report MakeReport(const Device& d, std::uint64_t sequence, double t) {
  const int sensor = d.settings.activeSensor;
  const double jitter = static_cast<double>(Noise(sequence) % 7) - 3.0;
  double level = 170.0 + 45.0 * std::sin(2 * kPi * t / 7.0) +
                 12.0 * std::sin(2 * kPi * t / 1.3 + sensor) + jitter;
  level = std::clamp(level, 0.0, 255.0);
  const double swr = kSensorSwr[sensor - 1] + 0.15 * std::sin(2 * kPi * t / 11.0 + sensor);
  const double gamma = (swr - 1.0) / (swr + 1.0);
  const int f = static_cast<int>(std::lround(level));
  const int r = static_cast<int>(std::lround(f * gamma));
  int swrTenths = 0;
  if (f > 0) {
    swrTenths = f > r ? static_cast<int>(std::lround(10.0 * (f + r) / (f - r))) : 255;
    swrTenths = std::min(swrTenths, 255);
  }
  const bool blockingActive = d.settings.blocking && swrTenths > d.settings.swrLimit[sensor - 1];
  Report out{};
  out[swr::input::activeSensor] = static_cast<std::uint8_t>(sensor);
  out[swr::input::forwardLevel] = static_cast<std::uint8_t>(f);
  out[swr::input::reflectedLevel] = static_cast<std::uint8_t>(r);
  out[swr::input::powerDivisor] = d.settings.powerRangeCode[sensor - 1];
  out[swr::input::swrTenths] = static_cast<std::uint8_t>(swrTenths);
  out[SimBus::kBlockingByte] = blockingActive ? 1 : 0;
  out[SimBus::kSequenceByte] = static_cast<std::uint8_t>(sequence & 0xff);
  return out;
}

Clock::duration Period(const Device& d) {
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / d.rate));
}

// The time report number `sequence` (counted from 1) falls due.
Clock::time_point DueTime(const Device& d, std::uint64_t sequence) {
  return d.epoch + Period(d) * static_cast<Clock::rep>(sequence - d.base);
}

// Produces every report of `d` due by `now` and queues it on the device's
// live read/write handles.
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
    const Queued q{MakeReport(d, seq, t), seq, at};
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

void ApplyCommand(Device& d, const Report& c) {
  const int selector = c[swr::command::selector];
  const std::uint8_t value = c[swr::command::value];
  const bool sensorOk = selector >= 1 && selector <= 3;
  switch (c[swr::command::code]) {
    case static_cast<std::uint8_t>(swr::CommandCode::SetPowerRange):
      if (sensorOk) d.settings.powerRangeCode[selector - 1] = value;
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SetMaxSwr):
      if (sensorOk) d.settings.swrLimit[selector - 1] = value;
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SelectSensor):
      if (sensorOk) d.settings.activeSensor = static_cast<std::uint8_t>(selector);
      break;
    case static_cast<std::uint8_t>(swr::CommandCode::SetBlocking):
      if (selector == swr::kBlockingOn) d.settings.blocking = true;
      if (selector == swr::kBlockingOff) d.settings.blocking = false;
      break;
    default:
      break;  // unknown commands are ignored
  }
}

std::shared_ptr<OpenHandle> FindHandle(Bus& bus, HidBus::Handle handle) {
  const auto it = bus.handles.find(handle);
  return it == bus.handles.end() ? nullptr : it->second;
}

std::shared_ptr<Device> DeviceAt(Bus& bus, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= bus.devices.size()) return nullptr;
  return bus.devices[index];
}

}  // namespace

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
  ApplyCommand(d, c);
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
