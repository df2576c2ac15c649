// The scriptable HID bus's realisation of the bus seam; see fake_hid_bus.h.
#include "fake_hid_bus.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "device/reports.h"

namespace fakebus {
namespace {
State state;
std::map<HidBus::Handle, std::size_t> handleInterface;
HidBus::Handle nextHandle = 100;
// Guards the report queue and the read count, which a reader thread uses.
std::mutex readMutex;
}  // namespace

void QueueReport(const std::vector<std::uint8_t>& report) {
  std::lock_guard<std::mutex> lock(readMutex);
  state.reports.push_back(report);
}

int ReadCount() {
  std::lock_guard<std::mutex> lock(readMutex);
  return state.reads;
}

State& Bus() { return state; }

void Reset() {
  std::lock_guard<std::mutex> lock(readMutex);
  state = State{};
  handleInterface.clear();
  nextHandle = 100;
}

Interface Controller(const std::string& path) {
  Interface i;
  i.path = path;
  i.vendorId = swr::ControllerVendorId;
  i.productId = swr::ControllerProductId;
  i.version = 0x0100;
  return i;
}

}  // namespace fakebus

namespace HidBus {
using fakebus::state;

void Init() {}
void Shutdown() {}

DeviceSet OpenDeviceSet() {
  if (!state.setAvailable) return 0;
  ++state.setsOpen;
  ++state.setsOpened;
  return 1;
}

bool InterfacePath(DeviceSet, int index, std::string& path) {
  ++state.pathsAsked;
  if (!state.interfacesListed) return false;
  if (index < 0 || static_cast<std::size_t>(index) >= state.interfaces.size()) return false;
  path = state.interfaces[index].path;
  return true;
}

void CloseDeviceSet(DeviceSet) { --state.setsOpen; }

Handle OpenPath(const std::string& path, Access access) {
  for (std::size_t i = 0; i < state.interfaces.size(); ++i) {
    const fakebus::Interface& itf = state.interfaces[i];
    if (itf.path != path) continue;
    const bool ok = access == Access::Query ? itf.queryOpens : itf.readWriteOpens;
    if (!ok) return 0;
    const Handle h = fakebus::nextHandle++;
    fakebus::handleInterface[h] = i;
    state.openHandles.push_back(h);
    state.opened.push_back(path);
    return h;
  }
  return 0;
}

bool GetAttributes(Handle handle, Attributes& out) {
  const auto it = fakebus::handleInterface.find(handle);
  if (it == fakebus::handleInterface.end()) return false;
  const fakebus::Interface& itf = state.interfaces[it->second];
  if (!itf.attributesReadable) return false;
  out.vendorId = itf.vendorId;
  out.productId = itf.productId;
  out.version = itf.version;
  return true;
}

void ClosePath(Handle handle) {
  auto& open = state.openHandles;
  open.erase(std::remove(open.begin(), open.end(), handle), open.end());
  state.closed.push_back(handle);
  fakebus::handleInterface.erase(handle);
}

int ReadReport(Handle, std::uint8_t* buffer, int length) {
  std::vector<std::uint8_t> report;
  int waitMs = 0;
  {
    std::lock_guard<std::mutex> lock(fakebus::readMutex);
    ++state.reads;
    if (state.reports.empty()) return 0;
    report = state.reports.front();
    state.reports.pop_front();
    waitMs = state.readWaitMs;
    if (!state.readWaitsMs.empty()) {
      waitMs = state.readWaitsMs.front();
      state.readWaitsMs.pop_front();
    }
  }
  if (waitMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
  const int n = std::min<int>(length, static_cast<int>(report.size()));
  std::copy(report.begin(), report.begin() + n, buffer);
  return n;
}

int WriteReport(Handle handle, const std::uint8_t* buffer, int length) {
  state.writes.push_back({handle, std::vector<std::uint8_t>(buffer, buffer + length)});
  return state.writeResult < 0 ? length : state.writeResult;
}

void CancelRead(Handle) {}

}  // namespace HidBus
