// What the executable carries: the icon and the application manifest.
#include <windows.h>

#include <string>

#include "report.h"
#include "suite.h"

namespace wt {
namespace {

#pragma pack(push, 2)
struct GroupIconEntry {
  BYTE width, height, colorCount, reserved;
  WORD planes, bitCount;
  DWORD bytesInRes;
  WORD id;
};
struct GroupIconHeader {
  WORD reserved, type, count;
  GroupIconEntry entries[1];
};
#pragma pack(pop)

const void* Resource(HMODULE module, LPCWSTR type, int id, DWORD& size) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
  if (!found) return nullptr;
  size = SizeofResource(module, found);
  HGLOBAL loaded = LoadResource(module, found);
  return loaded ? LockResource(loaded) : nullptr;
}

}  // namespace

void Resources(Suite& suite) {
  BeginGroup("resources of the executable");
  HMODULE module = LoadLibraryExW(suite.exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!Check(module != nullptr, "the executable's resources can be read")) return EndGroup();
  DWORD size = 0;
  const auto* icons = static_cast<const GroupIconHeader*>(Resource(module, MAKEINTRESOURCEW(14), 1, size));  // RT_GROUP_ICON
  if (Check(icons != nullptr && icons->count > 0, "icon resource 1")) {
    bool found = false;
    for (WORD i = 0; i < icons->count; ++i) {
      const GroupIconEntry& e = icons->entries[i];
      const bool sixteen = e.colorCount == 16 || e.bitCount == 4;
      found = found || (e.width == 32 && e.height == 32 && sixteen);
    }
    Check(found, "icon resource 1 holds a 32 x 32 image with 16 colours");
  }
  const char* manifest = static_cast<const char*>(Resource(module, MAKEINTRESOURCEW(24), 1, size));  // RT_MANIFEST
  if (Check(manifest != nullptr, "manifest resource 1")) {
    const std::string text(manifest, size);
    const bool is64 = sizeof(void*) == 8;
    Check(text.find("Microsoft.Windows.Common-Controls") != std::string::npos, "manifest names the common controls");
    Check(text.find("\"6.0.0.0\"") != std::string::npos, "manifest asks for version 6.0.0.0");
    Check(text.find("6595b64144ccf1df") != std::string::npos, "manifest carries the platform's public key token");
    Check(text.find(is64 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"X86\"") != std::string::npos,
          std::string("manifest names the build's architecture, ") + (is64 ? "amd64" : "X86"));
  }
  FreeLibrary(module);
  EndGroup();
}

}  // namespace wt
