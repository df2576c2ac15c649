// Stand-in hid.dll: the HID class GUID and the attributes of an open device
// of the virtual bus. The interface behind a handle is found by the name of
// the object the handle refers to (a named pipe of the driver or a file it
// made), whose last path component is unique on the bus.
#include <windows.h>

#include <cstring>

#include "bus_view.h"

namespace {

// The attributes record as hid.dll defines it (mingw's hidsdi.h declares the
// functions without C linkage, so it cannot be included here).
struct HidAttributes {
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
};

// The last component of the object's name, lower-cased ASCII; false when the
// name cannot be had.
bool ObjectName(HANDLE handle, char* out, size_t outSize) {
  union {
    FILE_NAME_INFO info;
    char raw[sizeof(FILE_NAME_INFO) + 512 * sizeof(WCHAR)];
  } buffer;
  if (!GetFileInformationByHandleEx(handle, FileNameInfo, &buffer, sizeof buffer)) return false;
  const DWORD chars = buffer.info.FileNameLength / sizeof(WCHAR);
  DWORD start = 0;
  for (DWORD i = 0; i < chars; ++i) {
    if (buffer.info.FileName[i] == L'\\') start = i + 1;
  }
  size_t n = 0;
  for (DWORD i = start; i < chars && n + 1 < outSize; ++i) {
    const WCHAR c = buffer.info.FileName[i];
    if (c > 0x7F) return false;  // the bus only hands out ASCII names
    out[n++] = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  out[n] = '\0';
  return n > 0;
}

bool SameName(const char* lowered, const char* path) {
  const char* last = swrbus::LastComponent(path);
  for (; *lowered && *last; ++lowered, ++last) {
    const char c = *last >= 'A' && *last <= 'Z' ? static_cast<char>(*last - 'A' + 'a') : *last;
    if (c != *lowered) return false;
  }
  return *lowered == '\0' && *last == '\0';
}

}  // namespace

extern "C" {

void WINAPI HidD_GetHidGuid(LPGUID guid) {
  if (swrbus::State* s = swrbus::View()) InterlockedIncrement(&s->seen.guidCalls);
  if (guid) *guid = swrbus::kHidGuid;
}

BOOLEAN WINAPI HidD_GetAttributes(HANDLE device, HidAttributes* attributes) {
  swrbus::State* state = swrbus::View();
  if (!state || !attributes) return FALSE;
  InterlockedIncrement(&state->seen.attributesCalls);
  char name[160];
  if (!ObjectName(device, name, sizeof name)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  swrbus::Locked lock;
  for (std::uint32_t i = 0; i < state->count && i < static_cast<std::uint32_t>(swrbus::kMaxInterfaces); ++i) {
    const swrbus::Interface& item = state->items[i];
    if (SameName(name, item.path)) {
      attributes->Size = sizeof(HidAttributes);
      attributes->VendorID = item.vendorId;
      attributes->ProductID = item.productId;
      attributes->VersionNumber = item.version;
      return TRUE;
    }
  }
  // Gone from the bus since it was opened: the device no longer answers.
  SetLastError(ERROR_DEVICE_NOT_CONNECTED);
  return FALSE;
}

}  // extern "C"
