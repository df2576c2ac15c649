#include "tools/swrctl/command.h"

#include <cstdio>
#include <ostream>

#include "device/bus/hid_bus.h"
#include "device/hid_link.h"
#include "device/send_buffer.h"
#include "tools/swrctl/exit_status.h"

namespace swrctl {

swr::CommandBytes CommandFor(const Options& options) {
  switch (options.action) {
    case Action::Select: {
      const int buttons[] = {swr::Sensor1ButtonId, swr::Sensor2ButtonId, swr::Sensor3ButtonId};
      return *swr::ControlCommand(buttons[options.sensor - 1]);
    }
    case Action::Power: {
      // The menu item under "sensor N" whose range has that wattage.
      const std::uint8_t code = swr::PowerRangeCode(options.watts);
      for (const swr::ActionCommand& row : swr::kMenuCommands) {
        if (row.bytes.command == swr::CommandCode::SetPowerRange &&
            row.bytes.selector == options.sensor && row.bytes.value == code) {
          return row.bytes;
        }
      }
      break;
    }
    case Action::Swr:
      return swr::SwrLimitCommand(options.sensor, swr::SwrLimitFromPosition(options.swrTenths));
    case Action::Blocking:
      return swr::BlockingCommand(options.blockingOn ? 1 : 0);
    default:
      break;
  }
  // Not reached for options that passed ParseArgs.
  return swr::CommandBytes{};
}

swr::CommandReport ReportFor(const Options& options) {
  swr::SendBuffer buffer = {};
  swr::PutCommand(buffer, CommandFor(options));
  swr::CommandReport report{};
  for (std::size_t i = 0; i < report.size(); ++i) report[i] = buffer[i];
  return report;
}

std::string HexBytes(const std::uint8_t* bytes, std::size_t count) {
  std::string text;
  char hex[4];
  for (std::size_t i = 0; i < count; ++i) {
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(bytes[i]));
    if (i > 0) text += ' ';
    text += hex;
  }
  return text;
}

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

namespace {

// Says why no handle could be had: absent, or present but not to be opened.
int ReportNoHandle(std::ostream& err) {
  if (HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId)) {
    err << "swrctl: the controller is connected but cannot be opened for reading and writing"
           " (check the device permissions)\n";
    return kExitFailure;
  }
  err << "swrctl: no controller found\n";
  return kExitNoController;
}

}  // namespace

int SendCommand(const Options& options, std::ostream& out, std::ostream& err) {
  const swr::CommandReport report = ReportFor(options);
  const HidLink::Handle handle = HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
  if (handle == 0) return ReportNoHandle(err);
  const int written = HidLink::Write(handle, report.data(), static_cast<int>(report.size()));
  HidLink::Close(handle);
  if (written != static_cast<int>(report.size())) {
    err << "swrctl: writing the command to the controller failed\n";
    return kExitFailure;
  }
  if (options.verbose) out << "sent " << HexBytes(report.data(), report.size()) << '\n';
  return kExitOk;
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
