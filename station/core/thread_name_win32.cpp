// Thread names on Windows: SetThreadDescription, looked up at run time
// because Windows before 10 (1607) and older Wine lack it.
#include <windows.h>

#include <string>

#include "station/core/thread_name.h"

namespace station {

void NameThisThread(const char* name) {
  using SetDescription = HRESULT(WINAPI*)(HANDLE, PCWSTR);
  static const auto set = reinterpret_cast<SetDescription>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (set == nullptr) return;
  const std::string ascii(name);
  const std::wstring wide(ascii.begin(), ascii.end());
  set(GetCurrentThread(), wide.c_str());
}

}  // namespace station
