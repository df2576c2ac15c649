// The HID bus on Windows: the device-installation services enumerate the
// HID interfaces, the HID services read their identity, and the ordinary
// file services open, read and write them.
//
// "hid.dll" and "setupapi.dll" are loaded once by Init, from the system
// directory only, so a planted copy beside the program is never used.
// HidD_GetHidGuid, HidD_GetAttributes, SetupDiEnumDeviceInterfaces and
// SetupDiGetDeviceInterfaceDetailA are looked up by name at each call; a
// missing library or name makes the call count as failed.
// SetupDiGetClassDevsA and SetupDiDestroyDeviceInfoList are linked.
#include <windows.h>
#include <setupapi.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "device/bus/hid_bus.h"

namespace {

// The detail record's size field is the size of its fixed part for the
// build: 8 on x86-64, 5 on x86 (setupapi's records are byte-packed there).
constexpr DWORD kDetailFixedSize = sizeof(void*) == 8 ? 8 : 5;
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) == kDetailFixedSize,
              "detail record size of this build");
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == (sizeof(void*) == 8 ? 32 : 28),
              "interface record size of this build");
// A device path is a few hundred characters; a larger size from the system
// is not believed.
constexpr DWORD kMaxDetailSize = 64 * 1024;

struct HiddAttributes {  // HIDD_ATTRIBUTES
  ULONG Size;
  USHORT VendorID;
  USHORT ProductID;
  USHORT VersionNumber;
};

using HidDGetHidGuidFn = void(WINAPI*)(GUID*);
using HidDGetAttributesFn = BOOLEAN(WINAPI*)(HANDLE, HiddAttributes*);
using EnumInterfacesFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                       PSP_DEVICE_INTERFACE_DATA);
using GetDetailFn = BOOL(WINAPI*)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                  PSP_DEVICE_INTERFACE_DETAIL_DATA_A, DWORD, PDWORD,
                                  PSP_DEVINFO_DATA);
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

HMODULE hidLibrary = nullptr;
HMODULE setupLibrary = nullptr;

// The function `name` of `library` at this moment, or null.
template <typename Fn>
Fn Bind(HMODULE library, const char* name) {
  if (library == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(library, name);
  Fn fn = nullptr;
  static_assert(sizeof fn == sizeof address, "function pointer size");
  std::memcpy(&fn, &address, sizeof fn);
  return fn;
}

// From the system directory only. Systems without the search flags (an
// unpatched Windows 7) get the same library by its full path.
HMODULE LoadSystemLibrary(const char* name) {
  HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  char path[MAX_PATH];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length + 1 + std::strlen(name) >= MAX_PATH) return nullptr;
  path[length] = '\\';
  std::strcpy(path + length + 1, name);
  return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

struct Set {
  HDEVINFO info;
  GUID guid;
};

struct Entry {
  HANDLE file = INVALID_HANDLE_VALUE;
  // The thread now (or last) reading on this handle, for CancelRead.
  std::atomic<HANDLE> reader{nullptr};
  ~Entry() {
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }
};

std::mutex tableMutex;
std::map<HidBus::Handle, std::shared_ptr<Entry>> handles;
HidBus::Handle nextHandle = 1;  // never reused

std::shared_ptr<Entry> Find(HidBus::Handle handle) {
  std::lock_guard<std::mutex> lock(tableMutex);
  const auto it = handles.find(handle);
  return it == handles.end() ? nullptr : it->second;
}

// A handle of the calling thread that allows cancelling its synchronous
// I/O; opened on the thread's first read and kept for the thread's life.
HANDLE ThisThreadForCancel() {
  static thread_local HANDLE self =
      OpenThread(THREAD_TERMINATE, FALSE, GetCurrentThreadId());
  return self;
}

}  // namespace

namespace HidBus {

void Init() {
  // Later loads by plain name also come from the system directory only.
  if (const auto setDirs = Bind<SetDefaultDllDirectoriesFn>(GetModuleHandleA("kernel32.dll"),
                                                            "SetDefaultDllDirectories")) {
    setDirs(LOAD_LIBRARY_SEARCH_SYSTEM32);
  }
  if (hidLibrary == nullptr) hidLibrary = LoadSystemLibrary("hid.dll");
  if (setupLibrary == nullptr) setupLibrary = LoadSystemLibrary("setupapi.dll");
}

void Shutdown() {
  if (hidLibrary != nullptr) FreeLibrary(hidLibrary);
  if (setupLibrary != nullptr) FreeLibrary(setupLibrary);
  hidLibrary = nullptr;
  setupLibrary = nullptr;
}

DeviceSet OpenDeviceSet() {
  auto set = std::make_unique<Set>();
  std::memset(&set->guid, 0, sizeof set->guid);
  if (const auto getGuid = Bind<HidDGetHidGuidFn>(hidLibrary, "HidD_GetHidGuid")) {
    getGuid(&set->guid);
  }
  set->info = SetupDiGetClassDevsA(&set->guid, nullptr, nullptr,
                                   DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
  if (set->info == INVALID_HANDLE_VALUE || set->info == nullptr) return 0;
  return reinterpret_cast<DeviceSet>(set.release());
}

bool InterfacePath(DeviceSet handle, int index, std::string& path) {
  const Set* set = reinterpret_cast<const Set*>(handle);
  if (set == nullptr || index < 0) return false;
  const auto enumInterfaces =
      Bind<EnumInterfacesFn>(setupLibrary, "SetupDiEnumDeviceInterfaces");
  if (enumInterfaces == nullptr) return false;
  SP_DEVICE_INTERFACE_DATA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = sizeof data;
  if (!enumInterfaces(set->info, nullptr, &set->guid, static_cast<DWORD>(index), &data))
    return false;

  // The interface exists; an empty path (which no open accepts) stands for
  // one whose path cannot be had, so the search goes on with the next one.
  path.clear();
  DWORD required = 0;
  if (const auto getDetail =
          Bind<GetDetailFn>(setupLibrary, "SetupDiGetDeviceInterfaceDetailA")) {
    getDetail(set->info, &data, nullptr, 0, &required, nullptr);
  }
  if (required < kDetailFixedSize || required > kMaxDetailSize) return true;
  // One byte more than asked for, all zeros: the path is terminated even if
  // the system fills the buffer to its end.
  const DWORD size = required + 1;
  std::vector<DWORD> storage((size + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
  detail->cbSize = kDetailFixedSize;
  const auto getDetail = Bind<GetDetailFn>(setupLibrary, "SetupDiGetDeviceInterfaceDetailA");
  DWORD second = 0;
  // A path that grew between the two calls makes this call fail.
  if (getDetail == nullptr || !getDetail(set->info, &data, detail, size, &second, nullptr))
    return true;
  const char* begin = detail->DevicePath;
  const std::size_t room = size - (begin - reinterpret_cast<const char*>(detail));
  path.assign(begin, strnlen(begin, room));
  return true;
}

void CloseDeviceSet(DeviceSet handle) {
  std::unique_ptr<Set> set(reinterpret_cast<Set*>(handle));
  if (set) SetupDiDestroyDeviceInfoList(set->info);
}

Handle OpenPath(const std::string& path, Access access) {
  if (path.empty()) return 0;
  // Synchronous I/O (no flags); query mode asks for no access at all.
  const DWORD desired = access == Access::Query ? 0 : (GENERIC_READ | GENERIC_WRITE);
  const HANDLE file = CreateFileA(path.c_str(), desired, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE || reinterpret_cast<std::intptr_t>(file) <= 0) return 0;
  auto entry = std::make_shared<Entry>();
  entry->file = file;
  std::lock_guard<std::mutex> lock(tableMutex);
  const Handle handle = nextHandle++;
  handles[handle] = std::move(entry);
  return handle;
}

bool GetAttributes(Handle handle, Attributes& out) {
  const auto entry = Find(handle);
  const auto getAttributes = Bind<HidDGetAttributesFn>(hidLibrary, "HidD_GetAttributes");
  if (!entry || getAttributes == nullptr) return false;
  HiddAttributes attributes;
  std::memset(&attributes, 0, sizeof attributes);
  attributes.Size = sizeof attributes;
  if (!getAttributes(entry->file, &attributes)) return false;
  out.vendorId = attributes.VendorID;
  out.productId = attributes.ProductID;
  out.version = attributes.VersionNumber;
  return true;
}

void ClosePath(Handle handle) {
  std::shared_ptr<Entry> entry;
  {
    std::lock_guard<std::mutex> lock(tableMutex);
    const auto it = handles.find(handle);
    if (it == handles.end()) return;
    entry = std::move(it->second);
    handles.erase(it);
  }
  // The file is closed when the last user lets go of the entry, so a read
  // still inside (which the reader's handshake rules out) never sees its
  // handle value reused.
}

int ReadReport(Handle handle, std::uint8_t* buffer, int length) {
  const auto entry = Find(handle);
  if (!entry || buffer == nullptr || length <= 0) return 0;
  entry->reader.store(ThisThreadForCancel());
  DWORD count = 0;
  const BOOL ok = ReadFile(entry->file, buffer, static_cast<DWORD>(length), &count, nullptr);
  if (!ok || count > static_cast<DWORD>(length)) return 0;
  return static_cast<int>(count);
}

int WriteReport(Handle handle, const std::uint8_t* buffer, int length) {
  const auto entry = Find(handle);
  if (!entry || buffer == nullptr || length <= 0) return 0;
  DWORD count = 0;
  const BOOL ok = WriteFile(entry->file, buffer, static_cast<DWORD>(length), &count, nullptr);
  if (!ok || count > static_cast<DWORD>(length)) return 0;
  return static_cast<int>(count);
}

void CancelRead(Handle handle) {
  const auto entry = Find(handle);
  if (!entry) return;
  // Cancels the read the reader thread is blocked in; a cancel that comes
  // before the read has started does nothing, so the closer repeats it.
  if (const HANDLE reader = entry->reader.load()) CancelSynchronousIo(reader);
}

}  // namespace HidBus
