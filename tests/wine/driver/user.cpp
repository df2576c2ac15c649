// Clicks, menu choices, slider drags and keys sent to the program's windows;
// see user.h.
#include "user.h"

#include <windows.h>
#include <commctrl.h>

#include "program.h"
#include "report.h"

namespace wt {

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void ChooseMenu(HWND window, int itemId) {
  PostMessageW(window, WM_COMMAND, MAKEWPARAM(itemId, 0), 0);
}

void DragSlider(HWND dialog, HWND slider, int position) {
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(slider, TBM_SETPOS, TRUE, position, SMTO_BLOCK, 2000, &ignored);
  PostMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(slider));
  PostMessageW(dialog, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
}

void CloseBox(HWND window) { PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); }

void PressKey(HWND foreground, WORD key, bool shift) {
  if (GetForegroundWindow() != foreground) {
    SetForegroundWindow(foreground);
    Sleep(50);
  }
  INPUT input[4] = {};
  int n = 0;
  auto add = [&](WORD vk, bool up) {
    input[n].type = INPUT_KEYBOARD;
    input[n].ki.wVk = vk;
    input[n].ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ++n;
  };
  if (shift) add(VK_SHIFT, false);
  add(key, false);
  add(key, true);
  if (shift) add(VK_SHIFT, true);
  SendInput(static_cast<UINT>(n), input, sizeof(INPUT));
}

bool FocusControl(const Program& program, HWND control) {
  const DWORD self = GetCurrentThreadId();
  // The focus change reaches the program's thread asynchronously; a window
  // that was being activated at the same moment may take it back, so try again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (AttachThreadInput(self, program.UiThread(), TRUE)) {
      SetFocus(control);
      AttachThreadInput(self, program.UiThread(), FALSE);
    }
    if (WaitFor([&] { return program.Focus() == control; }, 500)) return true;
  }
  return false;
}

void DismissMessageBox(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

std::wstring MessageBoxText(HWND box) {
  // The message text is the box's static control with identifier 0xFFFF.
  HWND text = GetDlgItem(box, 0xFFFF);
  return text ? TextOf(text) : L"";
}

}  // namespace wt
