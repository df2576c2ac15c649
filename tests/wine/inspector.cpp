// The inspector library: answers the driver's questions from inside the
// program under test (see inspect_protocol.h). It changes nothing.
#include <windows.h>

#include "inspect_protocol.h"

namespace {

void WalkMenu(HMENU menu, int level, swrinspect::Request* r) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count && r->itemCount < swrinspect::kMaxItems; ++i) {
    swrinspect::MenuItem& item = r->items[r->itemCount++];
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = item.text;
    info.cch = sizeof item.text / sizeof item.text[0];
    item.level = level;
    if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info)) continue;
    item.type = info.fType;
    item.state = info.fState;
    item.popup = info.hSubMenu != nullptr;
    item.id = info.hSubMenu ? 0 : static_cast<std::int32_t>(info.wID);
    if (info.hSubMenu) WalkMenu(info.hSubMenu, level + 1, r);
  }
}

}  // namespace

// Exported as plain "SwrInspect" through inspector.def (a thread entry: stdcall).
extern "C" DWORD WINAPI SwrInspect(LPVOID parameter) {
  auto* r = static_cast<swrinspect::Request*>(parameter);
  const HWND window = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(r->window));
  switch (r->kind) {
    case swrinspect::kFont: {
      DWORD_PTR result = 0;
      SendMessageTimeoutW(window, WM_GETFONT, 0, 0, SMTO_BLOCK, 3000, &result);
      const HFONT font = reinterpret_cast<HFONT>(result);
      r->hasFont = font != nullptr;
      r->isDefaultGuiFont = font && font == GetStockObject(DEFAULT_GUI_FONT);
      if (font) GetObjectW(font, sizeof r->font, &r->font);
      break;
    }
    case swrinspect::kClass: {
      // On x86 the headers turn GetClassLongPtrW into GetClassLongW (user32
      // has no ...Ptr export there); handles are 32 bits wide on x86.
      r->classStyle = static_cast<std::uint32_t>(GetClassLongPtrW(window, GCL_STYLE));
      const ULONG_PTR brush = GetClassLongPtrW(window, GCLP_HBRBACKGROUND);
      r->brushIsBtnFace = brush == COLOR_BTNFACE + 1 ||
                          brush == reinterpret_cast<ULONG_PTR>(GetSysColorBrush(COLOR_BTNFACE));
      r->cursorIsArrow = GetClassLongPtrW(window, GCLP_HCURSOR) ==
                         reinterpret_cast<ULONG_PTR>(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
      const HICON icon = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
      r->hasIcon = icon != nullptr;
      ICONINFO info = {};
      if (icon && GetIconInfo(icon, &info)) {
        BITMAP bm = {};
        if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
          r->iconWidth = bm.bmWidth;
          r->iconHeight = bm.bmHeight;
        }
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
      }
      break;
    }
    case swrinspect::kMenu: {
      const HMENU menu = GetMenu(window);
      r->hasMenu = menu != nullptr;
      r->itemCount = 0;
      if (menu) WalkMenu(menu, 0, r);
      break;
    }
    default:
      break;
  }
  r->done = 1;
  return 0;
}
