// Controls, fonts, text colours and menus of the Windows toolkit.
#include <vector>

#include "ui/layout_metrics.h"
#include "ui/win32/ui_win32_internal.h"

namespace ui {

using namespace win32;

bool CreateControl(int window, int id, ControlKind kind, Rect rect, const char* text) {
  DestroyControl(id);
  const HWND parent = WindowHandle(window);
  if (parent == nullptr) return false;
  const KindInfo& info = KindOf(kind);
  const HWND hwnd = ::CreateWindowExW(
      info.exStyle, info.className, Widen(text).c_str(), info.style, rect.x, rect.y, rect.w,
      rect.h, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
      ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  ControlInfo control;
  control.hwnd = hwnd;
  control.window = window;
  control.kind = kind;
  RegisterControl(id, control);
  ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                 TRUE);
  return true;
}

void DestroyControl(int id) {
  if (const HWND hwnd = ForgetControl(id)) ::DestroyWindow(hwnd);
}

void SetText(int id, const char* text) {
  // The lookup is locked; the text itself is set without the lock, since
  // from the reader thread it is a message the user-interface thread must
  // take first. A control destroyed in between leaves a stale handle, which
  // the window manager rejects.
  const HWND hwnd = ControlHandle(id);
  if (hwnd == nullptr) return;
  ::SetWindowTextW(hwnd, Widen(text).c_str());
}

std::string GetText(int id) {
  const HWND hwnd = ControlHandle(id);
  if (hwnd == nullptr) return std::string();
  const int length = ::GetWindowTextLengthW(hwnd);
  if (length <= 0) return std::string();
  std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
  const int copied = ::GetWindowTextW(hwnd, buffer.data(), length + 1);
  return Narrow(buffer.data(), copied);
}

Font CreateFont(const char* face, int points) {
  // The character height for the display's vertical resolution.
  int dpi = 96;
  if (const HDC dc = ::CreateDCA("DISPLAY", nullptr, nullptr, nullptr)) {
    const int caps = ::GetDeviceCaps(dc, LOGPIXELSY);
    if (caps > 0) dpi = caps;
    ::DeleteDC(dc);
  }
  const HFONT font = ::CreateFontW(FontHeight(points, dpi), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                   CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0, Widen(face).c_str());
  return reinterpret_cast<Font>(font);
}

void DeleteFont(Font font) {
  if (font != 0) ::DeleteObject(reinterpret_cast<HFONT>(font));
}

void SetFont(int id, Font font) {
  if (const HWND hwnd = ControlHandle(id)) {
    ::SendMessageW(hwnd, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
  }
}

void SetTextColor(int id, Color color) {
  SetControlColor(id, color);
  if (const HWND hwnd = ControlHandle(id)) ::InvalidateRect(hwnd, nullptr, TRUE);
}

int GetCheck(int id) {
  const HWND hwnd = ControlHandle(id);
  return hwnd != nullptr && ::SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

void SetTrackbarRange(int id, int min, int max) {
  if (const HWND hwnd = ControlHandle(id)) {
    ::SendMessageW(hwnd, TBM_SETRANGEMIN, FALSE, min);
    ::SendMessageW(hwnd, TBM_SETRANGEMAX, FALSE, max);
  }
}

void SetTrackbarPos(int id, int position) {
  if (const HWND hwnd = ControlHandle(id)) ::SendMessageW(hwnd, TBM_SETPOS, TRUE, position);
}

int GetTrackbarPos(int id) {
  const HWND hwnd = ControlHandle(id);
  return hwnd == nullptr ? 0 : static_cast<int>(::SendMessageW(hwnd, TBM_GETPOS, 0, 0));
}

bool SetMenu(int window, const MenuEntry* entries, int count) {
  const HWND hwnd = WindowHandle(window);
  if (hwnd == nullptr || entries == nullptr || count < 0) return false;
  const HMENU bar = ::CreateMenu();
  if (bar == nullptr) return false;
  // open[level] is the menu that takes the rows of that level.
  std::vector<HMENU> open{bar};
  bool ok = true;
  for (int i = 0; ok && i < count; ++i) {
    const MenuEntry& entry = entries[i];
    if (entry.level < 0 || static_cast<size_t>(entry.level) >= open.size()) {
      ok = false;  // a row deeper than any sub-menu opened before it
      break;
    }
    open.resize(static_cast<size_t>(entry.level) + 1);
    const std::wstring caption = Widen(entry.caption);
    if (entry.id == 0) {
      const HMENU sub = ::CreatePopupMenu();
      ok = sub != nullptr && ::AppendMenuW(open.back(), MF_STRING | MF_POPUP,
                                           reinterpret_cast<UINT_PTR>(sub), caption.c_str());
      if (ok) {
        open.push_back(sub);
      } else if (sub != nullptr) {
        ::DestroyMenu(sub);
      }
    } else {
      ok = ::AppendMenuW(open.back(), MF_STRING, static_cast<UINT_PTR>(entry.id),
                         caption.c_str()) != FALSE;
    }
  }
  if (!ok || !::SetMenu(hwnd, bar)) {
    ::DestroyMenu(bar);  // with the sub-menus already in it
    return false;
  }
  return true;
}

}  // namespace ui
