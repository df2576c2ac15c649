// The virtual HID bus shared by the test driver and the stand-in system
// libraries (setupapi.dll, hid.dll) loaded into the program under test.
// The driver owns a named file mapping holding the interface table; the
// stand-ins read it under a named mutex and count what the program asked of
// them, so the driver can tell a wrong call from a missing device.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace swrbus {

constexpr const wchar_t* kMappingName = L"Local\\swrpanel-test-bus";
constexpr const wchar_t* kMutexName = L"Local\\swrpanel-test-bus-lock";
constexpr std::uint32_t kMagic = 0x53575242;  // "SWRB"
constexpr int kMaxInterfaces = 300;
constexpr int kPathChars = 96;

struct Interface {
  // The device path the detail call hands out. Its last component is unique
  // on the bus and is how hid.dll finds the interface behind an open handle.
  char path[kPathChars];
  std::uint16_t vendorId;
  std::uint16_t productId;
  std::uint16_t version;
  std::uint16_t reserved;
};

// What the stand-ins saw. Counters only grow; the "bad" fields keep the last
// offending value (0 = none seen).
struct Observed {
  volatile LONG classDevsCalls;
  volatile LONG destroyCalls;
  volatile LONG enumCalls;
  volatile LONG detailCalls;
  volatile LONG guidCalls;
  volatile LONG attributesCalls;
  volatile LONG badClassDevsFlags;      // flags other than PRESENT | DEVICEINTERFACE
  volatile LONG badClassDevsGuid;       // 1 when the GUID was not the HID class
  volatile LONG badInterfaceDataSize;   // cbSize of SP_DEVICE_INTERFACE_DATA
  volatile LONG badDetailSize;          // cbSize of the interface-detail record
  volatile LONG badDetailSizeCount;
  volatile LONG unknownSetHandle;       // calls with a set that was never handed out
  volatile LONG maxEnumIndex;           // highest interface index asked for
};

struct State {
  std::uint32_t magic;
  std::uint32_t count;  // interfaces present, in enumeration order
  Interface items[kMaxInterfaces];
  Observed seen;
};

// The table holds no pointer-sized field (LONG is 32 bits on x86 and x86-64
// alike), so its layout is the same on both architectures: stand-ins of one
// can read the table of a driver of the other. Pinned here, so a change that
// breaks that fails to build.
static_assert(sizeof(Interface) == kPathChars + 8, "an interface record is 104 bytes on every architecture");
static_assert(sizeof(Observed) == 13 * 4, "the counters are 32-bit on every architecture");
static_assert(offsetof(State, items) == 8, "the interfaces follow the magic and the count");
static_assert(offsetof(State, seen) == 8 + kMaxInterfaces * sizeof(Interface), "the counters follow the interfaces");
static_assert(sizeof(State) == offsetof(State, seen) + sizeof(Observed), "nothing follows the counters");

// The HID interface class, {4D1E55B2-F16F-11CF-88CB-001111000030}.
constexpr GUID kHidGuid = {0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

// The last component of a path: what follows the last backslash.
inline const char* LastComponent(const char* path) {
  const char* last = path;
  for (const char* p = path; *p; ++p) {
    if (*p == '\\') last = p + 1;
  }
  return last;
}

}  // namespace swrbus
