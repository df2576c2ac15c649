// The controller on the HID bus seam: the search over the interfaces by
// identity, presence, open, read, write and close.
#include "device/hid_link.h"

#include <string>

namespace HidLink {

void Init() { HidBus::Init(); }
void Shutdown() { HidBus::Shutdown(); }

Handle FindDevice(std::uint16_t productId, std::uint16_t vendorId, int version,
                  int index, Mode mode) {
  const HidBus::DeviceSet set = HidBus::OpenDeviceSet();
  if (set == 0) return 0;

  const HidBus::Access access =
      mode == Mode::Presence ? HidBus::Access::Query : HidBus::Access::ReadWrite;
  int matches = 0;
  std::string path;
  for (int i = 0; i < kMaxInterfaces; ++i) {
    if (!HidBus::InterfacePath(set, i, path)) break;

    const Handle handle = HidBus::OpenPath(path, access);
    if (handle <= 0) continue;

    HidBus::Attributes attributes;
    const bool known = HidBus::GetAttributes(handle, attributes);
    if (mode == Mode::Presence) HidBus::ClosePath(handle);

    const bool match = known && attributes.productId == productId &&
                       attributes.vendorId == vendorId &&
                       (version == -1 || attributes.version == version);
    if (match && matches == index) {
      HidBus::CloseDeviceSet(set);
      return mode == Mode::Presence ? 1 : handle;
    }
    if (match) ++matches;
    if (mode == Mode::Open) HidBus::ClosePath(handle);
  }
  HidBus::CloseDeviceSet(set);
  return 0;
}

int IsPresent(std::uint16_t productId, std::uint16_t vendorId) {
  return FindDevice(productId, vendorId, -1, 0, Mode::Presence) != 0 ? 1 : 0;
}

Handle Open(std::uint16_t productId, std::uint16_t vendorId) {
  return FindDevice(productId, vendorId, -1, 0, Mode::Open);
}

void Close(Handle handle) {
  if (handle != 0) HidBus::ClosePath(handle);
}

int Read(Handle handle, std::uint8_t* buffer, int length) {
  if (handle == 0 || buffer == nullptr || length <= 0) return 0;
  return HidBus::ReadReport(handle, buffer, length);
}

int Write(Handle handle, const std::uint8_t* buffer, int length) {
  if (handle == 0 || buffer == nullptr || length <= 0) return 0;
  return HidBus::WriteReport(handle, buffer, length);
}

}  // namespace HidLink
