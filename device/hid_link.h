// Finding, opening, reading and writing the controller as a HID device.
#pragma once

#include <cstdint>

#include "device/bus/hid_bus.h"

namespace HidLink {

using Handle = HidBus::Handle;  // 0 = not open

enum class Mode { Presence, Open };

void Init();
void Shutdown();

// Walks the HID interfaces in enumeration order (at most 256) and takes the
// index-th device whose identity matches; version -1 matches any version.
// Presence mode opens each interface for querying only and leaves nothing
// open: 1 for a match, 0 otherwise. Open mode returns the matching device
// opened for reading and writing and closes every other handle it opened.
Handle FindDevice(std::uint16_t productId, std::uint16_t vendorId, int version,
                  int index, Mode mode);

int IsPresent(std::uint16_t productId, std::uint16_t vendorId);
Handle Open(std::uint16_t productId, std::uint16_t vendorId);
void Close(Handle handle);

// 0 without touching the device when the handle is 0, the buffer is missing
// or the length is not positive; otherwise the count the device moved.
int Read(Handle handle, std::uint8_t* buffer, int length);
int Write(Handle handle, const std::uint8_t* buffer, int length);

constexpr int kMaxInterfaces = 256;

}  // namespace HidLink
