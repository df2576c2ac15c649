// What the driver asks the inspector library, which it loads into the
// program under test: facts that Wine does not give to another process
// (a control's font, the menu tree, the window class's brush and cursor).
// The request lives in the program's memory; the driver runs SwrInspect on
// it in a thread of the program and reads it back.
#pragma once

#include <windows.h>

#include <cstdint>

namespace swrinspect {

enum Kind : std::int32_t { kFont = 1, kMenu = 2, kClass = 3 };

struct MenuItem {
  std::int32_t level;  // 0 = a title of the menu bar
  std::int32_t id;     // 0 for an item that opens a sub-menu
  std::uint32_t type;  // MFT_* flags
  std::uint32_t state; // MFS_* flags
  std::int32_t popup;  // 1 when the item opens a sub-menu
  wchar_t text[48];
};

constexpr int kMaxItems = 64;

struct Request {
  std::int32_t kind;
  std::int32_t done;
  std::uint64_t window;
  // kFont
  std::int32_t hasFont;
  std::int32_t isDefaultGuiFont;
  LOGFONTW font;
  // kClass
  std::uint32_t classStyle;
  std::int32_t brushIsBtnFace;
  std::int32_t cursorIsArrow;
  std::int32_t hasIcon;
  std::int32_t iconWidth;
  std::int32_t iconHeight;
  // kMenu
  std::int32_t hasMenu;
  std::int32_t itemCount;
  MenuItem items[kMaxItems];
};

}  // namespace swrinspect
