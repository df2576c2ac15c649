// What the device search needs of the operating system. One realisation is
// linked into each executable: hid_bus_win32.cpp (setupapi + hid),
// hid_bus_hidraw.cpp (Linux) or hid_bus_sim.cpp (the built-in controller).
#pragma once

#include <cstdint>
#include <string>

namespace HidBus {

// An open interface; 0 means none. Never a raw file descriptor (those can
// be 0 on Linux), so every realisation maps its own objects onto this.
using Handle = std::intptr_t;
// A snapshot of the present HID interfaces; 0 means it could not be had.
using DeviceSet = std::intptr_t;

enum class Access {
  Query,      // no read or write access: enough to ask for the attributes
  ReadWrite,  // synchronous whole-report reads and writes
};

struct Attributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t version = 0;
};

// Loads the system libraries the realisation binds by name (once, at
// start-up) and releases them at shutdown.
void Init();
void Shutdown();

DeviceSet OpenDeviceSet();
// The device path of interface `index` of the set; false when there is no
// such interface (the enumeration ends there).
bool InterfacePath(DeviceSet set, int index, std::string& path);
void CloseDeviceSet(DeviceSet set);

// 0 (or a value below 0) when the path cannot be opened with that access.
Handle OpenPath(const std::string& path, Access access);
// false when the attributes cannot be read; `out` is then left alone.
bool GetAttributes(Handle handle, Attributes& out);
void ClosePath(Handle handle);

// Blocking whole-report transfers; the number of bytes moved, 0 on failure.
int ReadReport(Handle handle, std::uint8_t* buffer, int length);
int WriteReport(Handle handle, const std::uint8_t* buffer, int length);

// Makes a read that is blocked on `handle` (or about to block on it) return
// 0 soon. Called from another thread than the reader, before ClosePath.
void CancelRead(Handle handle);

}  // namespace HidBus
