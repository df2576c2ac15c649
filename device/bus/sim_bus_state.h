// The state behind the simulated HID bus, shared by the bus itself
// (hid_bus_sim.cpp) and the controls of tests and the demo
// (sim_controller.cpp): the devices, the open handles with their report
// queues, and the controller's report schedule.
//
// Reports are produced on a fixed schedule (report n of a plug-in period is
// due n report periods after the plug-in) and materialised lazily whenever
// anyone touches the bus, so no thread of its own is needed. Each produced
// report is queued on every handle open for reading and writing at that
// moment, at most kQueueDepth per handle. All state sits behind one mutex;
// blocked reads wait on one condition variable.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/bus/hid_bus.h"
#include "device/bus/sim_controller.h"
#include "device/bus/sim_model.h"

namespace sim_bus {

using Clock = std::chrono::steady_clock;
using Report = sim_model::Report;

constexpr int kDefaultRate = 25;

struct Device {
  std::string path;
  SimBus::Identity identity{};
  bool readWriteOpens = true;
  bool readFails = false;
  bool plugged = true;
  std::uint64_t generation = 0;  // bumped at every unplug: old handles die
  SimBus::Settings settings{};
  SimBus::Keying keying = SimBus::Keying::Carrier;
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

bool IsControllerIdentity(const SimBus::Identity& id);
std::shared_ptr<Device> NewDevice(Bus& bus, SimBus::Identity identity, bool readWriteOpens);
// One controller at interface 0 with its factory settings, sending a steady
// carrier; every handle dies.
void ResetLocked(Bus& bus);
// The one bus of the process, created on first use, its controller behind a
// station sending overs.
Bus& TheBus();
// The time between two reports of `d`.
Clock::duration Period(const Device& d);
// The time report number `sequence` (counted from 1) falls due.
Clock::time_point DueTime(const Device& d, std::uint64_t sequence);
// Produces every report of `d` due by `now` and queues it on the device's
// live read/write handles.
void Advance(Bus& bus, Device& d, Clock::time_point now);
// Starts a new production schedule at `now` (plug-in, rate change).
void Restart(Device& d, Clock::time_point now);
// nullptr when the handle is not open.
std::shared_ptr<OpenHandle> FindHandle(Bus& bus, HidBus::Handle handle);
// nullptr when there is no device at that interface index.
std::shared_ptr<Device> DeviceAt(Bus& bus, int index);

}  // namespace sim_bus
