// swrctl status and the settings; see command.h.
#include "tools/swrctl/command.h"

#include <ostream>

#include "device/bus/hid_bus.h"
#include "device/hid_link.h"
#include "station/core/command.h"
#include "station/core/exit_status.h"

namespace swrctl {
using namespace ::station;

bool FindControllerPath(std::string& path) {
  const HidBus::DeviceSet set = HidBus::OpenDeviceSet();
  if (set == 0) return false;
  bool found = false;
  std::string candidate;
  for (int i = 0; i < HidLink::kMaxInterfaces && !found; ++i) {
    if (!HidBus::InterfacePath(set, i, candidate)) break;
    const HidBus::Handle handle = HidBus::OpenPath(candidate, HidBus::Access::Query);
    if (handle <= 0) continue;
    HidBus::Attributes attributes;
    if (HidBus::GetAttributes(handle, attributes) &&
        attributes.vendorId == swr::ControllerVendorId &&
        attributes.productId == swr::ControllerProductId) {
      path = candidate;
      found = true;
    }
    HidBus::ClosePath(handle);
  }
  HidBus::CloseDeviceSet(set);
  return found;
}

int RunCommand(const Options& options, std::ostream& out, std::ostream& err) {
  const CommandOutcome outcome = SendStationCommand(options.command);
  const OutcomeRow& row = OutcomeOf(outcome);
  if (outcome != CommandOutcome::Sent) {
    err << "swrctl: " << row.message << '\n';
  } else if (options.verbose) {
    const swr::CommandReport report = ReportFor(options.command);
    out << "sent " << HexBytes(report.data(), report.size()) << '\n';
  }
  return row.exitStatus;
}

int ShowStatus(std::ostream& out) {
  std::string path;
  if (!FindControllerPath(path)) {
    out << "controller: not connected\n";
    return kExitNoController;
  }
  out << "controller: connected\n";
  out << "path: " << path << '\n';
  const HidLink::Handle handle = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  if (handle == 0) {
    out << "access: cannot be opened for reading and writing (check the device permissions)\n";
    return kExitFailure;
  }
  HidLink::Close(handle);
  out << "access: read and write\n";
  return kExitOk;
}

}  // namespace swrctl
