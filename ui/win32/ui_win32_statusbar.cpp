// The status bar of the Windows toolkit: one per window, created once, two
// equal fields re-split whenever the window is resized.
#include <map>

#include "ui/layout_metrics.h"
#include "ui/win32/ui_win32_internal.h"

namespace ui {
namespace win32 {
namespace {

// Child-window identifier of every status bar; outside the range of the
// program's control identifiers, and it sends no WM_COMMAND anyway.
constexpr UINT kStatusBarId = 200;

std::map<int, HWND> statusBars;  // user-interface thread only

void SplitFields(HWND bar) {
  RECT client;
  ::GetClientRect(bar, &client);
  const int width = StatusFieldWidth(client.right - client.left, client.bottom - client.top);
  int rightEdges[2] = {width, 2 * width};
  ::SendMessageW(bar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
}

}  // namespace

HWND StatusBarOf(int window) {
  const auto it = statusBars.find(window);
  return it == statusBars.end() ? nullptr : it->second;
}

void ForgetStatusBar(int window) { statusBars.erase(window); }

void OnWindowResized(int window) {
  const HWND bar = StatusBarOf(window);
  if (bar == nullptr) return;
  ::SendMessageW(bar, WM_SIZE, 0, 0);  // the bar places itself at the bottom
  SplitFields(bar);
}

}  // namespace win32

using namespace win32;

void EnsureStatusBar(int window, int minHeight) {
  if (StatusBarOf(window) != nullptr) return;
  const HWND parent = WindowHandle(window);
  if (parent == nullptr) return;
  const HWND bar = ::CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", parent, kStatusBarId);
  if (bar == nullptr) return;
  statusBars[window] = bar;
  ::SendMessageW(bar, SB_SETMINHEIGHT, static_cast<WPARAM>(minHeight), 0);
  OnWindowResized(window);
}

void SetStatusText(int window, int field, const char* text) {
  const HWND bar = StatusBarOf(window);
  if (bar == nullptr || field < 0 || field > 1) return;
  // A leading TAB centres the text in its field.
  const std::wstring centred = L"\t" + Widen(text);
  ::SendMessageW(bar, SB_SETTEXTW, static_cast<WPARAM>(field),
                 reinterpret_cast<LPARAM>(centred.c_str()));
}

}  // namespace ui
