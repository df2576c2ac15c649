// Stand-in setupapi.dll: the device-interface enumeration of the virtual bus.
// Each device-information set is a snapshot of the bus table taken when the
// set is made, as the system's is. The record sizes are checked exactly as
// the system checks them, so a program built with the wrong structure sizes
// fails here as it would on Windows.
#include <windows.h>
#define _SETUPAPI_  // these are our definitions, not imports
#include <setupapi.h>

#include <cstddef>
#include <cstring>

#include "bus_view.h"

namespace {

// The sizes the system's setupapi.dll demands in the size fields, written out
// rather than taken from the headers alone: a program and a stand-in built
// with the same wrong header would otherwise agree and pass.
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == (sizeof(void*) == 8 ? 8 : 5),
              "the detail record's fixed part: 8 bytes on x86-64, 5 on x86 (byte-packed)");
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (sizeof(void*) == 8 ? 32 : 28),
              "the interface record: 32 bytes on x86-64, 28 on x86");

constexpr DWORD kSetMagic = 0x53455431;  // "SET1"

struct Set {
  DWORD magic;
  DWORD count;
  swrbus::Interface items[swrbus::kMaxInterfaces];
};

Set* AsSet(HDEVINFO handle) {
  auto* set = reinterpret_cast<Set*>(handle);
  if (!set || handle == INVALID_HANDLE_VALUE) return nullptr;
  // A handle that was never handed out is reported, not dereferenced blindly.
  MEMORY_BASIC_INFORMATION info;
  if (VirtualQuery(set, &info, sizeof info) == 0 || info.State != MEM_COMMIT) return nullptr;
  return set->magic == kSetMagic ? set : nullptr;
}

void NoteUnknownSet() {
  if (swrbus::State* s = swrbus::View()) InterlockedIncrement(&s->seen.unknownSetHandle);
}

bool InterfaceDataSizeOk(const SP_DEVICE_INTERFACE_DATA* data) {
  if (data->cbSize == sizeof(SP_DEVICE_INTERFACE_DATA)) return true;
  if (swrbus::State* s = swrbus::View()) {
    InterlockedExchange(&s->seen.badInterfaceDataSize, static_cast<LONG>(data->cbSize));
  }
  return false;
}

}  // namespace

extern "C" {

HDEVINFO WINAPI SetupDiGetClassDevsA(const GUID* guid, PCSTR enumerator, HWND parent, DWORD flags) {
  (void)enumerator;
  (void)parent;
  swrbus::State* state = swrbus::View();
  if (state) {
    InterlockedIncrement(&state->seen.classDevsCalls);
    if (flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)) {
      InterlockedExchange(&state->seen.badClassDevsFlags, static_cast<LONG>(flags));
    }
  }
  if (!guid || std::memcmp(guid, &swrbus::kHidGuid, sizeof(GUID)) != 0) {
    // Only the HID class lives on this bus; any other class is empty.
    if (state) InterlockedExchange(&state->seen.badClassDevsGuid, 1);
  }
  auto* set = static_cast<Set*>(VirtualAlloc(nullptr, sizeof(Set), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (!set) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
  }
  set->magic = kSetMagic;
  set->count = 0;
  const bool hidClass = guid && std::memcmp(guid, &swrbus::kHidGuid, sizeof(GUID)) == 0;
  if (state && hidClass && (flags & DIGCF_DEVICEINTERFACE)) {
    swrbus::Locked lock;
    DWORD n = state->count;
    if (n > static_cast<DWORD>(swrbus::kMaxInterfaces)) n = swrbus::kMaxInterfaces;
    std::memcpy(set->items, state->items, n * sizeof(swrbus::Interface));
    set->count = n;
  }
  return reinterpret_cast<HDEVINFO>(set);
}

BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO handle) {
  Set* set = AsSet(handle);
  if (!set) {
    NoteUnknownSet();
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (swrbus::State* s = swrbus::View()) InterlockedIncrement(&s->seen.destroyCalls);
  set->magic = 0;
  VirtualFree(set, 0, MEM_RELEASE);
  return TRUE;
}

BOOL WINAPI SetupDiEnumDeviceInterfaces(HDEVINFO handle, PSP_DEVINFO_DATA element, const GUID* guid,
                                        DWORD index, PSP_DEVICE_INTERFACE_DATA data) {
  (void)element;
  swrbus::State* state = swrbus::View();
  if (state) {
    InterlockedIncrement(&state->seen.enumCalls);
    LONG seen = state->seen.maxEnumIndex;
    while (static_cast<LONG>(index) > seen &&
           InterlockedCompareExchange(&state->seen.maxEnumIndex, static_cast<LONG>(index), seen) != seen) {
      seen = state->seen.maxEnumIndex;
    }
  }
  Set* set = AsSet(handle);
  if (!set) {
    NoteUnknownSet();
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!data || !InterfaceDataSizeOk(data)) {
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (!guid || std::memcmp(guid, &swrbus::kHidGuid, sizeof(GUID)) != 0 || index >= set->count) {
    SetLastError(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->InterfaceClassGuid = swrbus::kHidGuid;
  data->Flags = SPINT_ACTIVE;
  data->Reserved = static_cast<ULONG_PTR>(index) + 1;  // which interface this record names
  return TRUE;
}

BOOL WINAPI SetupDiGetDeviceInterfaceDetailA(HDEVINFO handle, PSP_DEVICE_INTERFACE_DATA data,
                                             PSP_DEVICE_INTERFACE_DETAIL_DATA_A detail, DWORD size,
                                             PDWORD required, PSP_DEVINFO_DATA element) {
  (void)element;
  swrbus::State* state = swrbus::View();
  if (state) InterlockedIncrement(&state->seen.detailCalls);
  Set* set = AsSet(handle);
  if (!set) {
    NoteUnknownSet();
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!data || !InterfaceDataSizeOk(data) || data->Reserved == 0 || data->Reserved > set->count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const char* path = set->items[data->Reserved - 1].path;
  const DWORD needed = static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) +
                                          std::strlen(path) + 1);
  if (required) *required = needed;
  if (!detail) {
    SetLastError(size == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  // The size field must hold the size of the fixed part for this
  // architecture (8 on x86-64, 5 on x86), not the size of the buffer.
  if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
    if (state) {
      InterlockedExchange(&state->seen.badDetailSize, static_cast<LONG>(detail->cbSize));
      InterlockedIncrement(&state->seen.badDetailSizeCount);
    }
    SetLastError(ERROR_INVALID_USER_BUFFER);
    return FALSE;
  }
  if (size < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(detail->DevicePath, path, std::strlen(path) + 1);
  return TRUE;
}

}  // extern "C"
