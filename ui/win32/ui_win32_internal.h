// State and helpers shared by the parts of the Windows toolkit
// (ui_win32*.cpp). Nothing outside those files includes this header.
#pragma once

#include <windows.h>
#include <commctrl.h>

// <windows.h> maps these names to their W variants; the toolkit's own
// functions of the same names must keep theirs.
#undef CreateWindow
#undef CreateFont

#include <string>
#include <vector>

#include "ui/ui.h"

namespace ui::win32 {

// UTF-8 -> UTF-16 for the W functions, and back. Invalid UTF-8 sequences
// become U+FFFD rather than failing the whole text.
std::wstring Widen(const char* text);
std::string Narrow(const wchar_t* text, int length);

// How a control kind is realised: window class, styles, extended style and
// the system colour painted behind a coloured text.
struct KindInfo {
  const wchar_t* className;
  DWORD style;
  DWORD exStyle;
  int backgroundColor;  // COLOR_* index for WM_CTLCOLOR* answers
};
const KindInfo& KindOf(ControlKind kind);

// The windows by number and the controls by identifier. The control table
// is read from any thread (SetText), so its accessors lock; no lock is held
// while a window function runs, since a text set from the reader thread is
// a message that waits for the user-interface thread.
struct ControlInfo {
  HWND hwnd = nullptr;
  int window = 0;
  ControlKind kind = ControlKind::StaticLeft;
  bool hasColor = false;
  Color color = 0;
};

HWND WindowHandle(int number);          // nullptr when there is none
int WindowNumber(HWND hwnd);            // -1 when hwnd is not one of ours
void RegisterWindow(int number, HWND hwnd);
void ForgetWindow(int number);          // also forgets its controls
std::vector<int> WindowNumbers();

HWND ControlHandle(int id);             // nullptr when there is none
bool FindControl(int id, ControlInfo& out);
void RegisterControl(int id, const ControlInfo& info);
HWND ForgetControl(int id);             // returns the handle it had
void SetControlColor(int id, Color color);

// The window's status bar (nullptr when it has none), and its re-split
// after the window has been resized.
HWND StatusBarOf(int window);
void ForgetStatusBar(int window);
void OnWindowResized(int window);

}  // namespace ui::win32
