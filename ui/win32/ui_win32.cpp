// The Windows realisation of the toolkit (ui/ui.h): top-level windows, the
// window procedure that turns messages into events, the event wait and the
// error box. Controls, fonts and menus are in ui_win32_controls.cpp, the
// status bar in ui_win32_statusbar.cpp.
#include <deque>

#include "ui/win32/ui_win32_internal.h"

namespace ui {
namespace {

using namespace win32;

constexpr wchar_t kWindowClass[] = L"SwrPanelWindow";
constexpr DWORD kMainStyle = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;
constexpr DWORD kFixedStyle = WS_CAPTION | WS_SYSMENU;

// Events produced while WaitEvent dispatches a message. A dispatch can run a
// modal loop of the system (moving the window, tracking a menu) that
// dispatches further messages, so more than one event can come out of it;
// they are handed out in order by the next calls. Whatever is produced
// outside WaitEvent (inside the error box's own loop, or by the program's
// own calls) is dropped, so timer ticks are never made up later.
int dispatchDepth = 0;
std::deque<Event> pending;

void Record(EventKind kind, int id) {
  if (dispatchDepth == 0) return;
  if (kind == EventKind::Timer) {
    // Ticks that piled up during one modal loop count once.
    for (const Event& e : pending) {
      if (e.kind == kind && e.id == id) return;
    }
  }
  pending.push_back(Event{kind, id});
}

LRESULT ColorAnswer(HWND control, HDC dc) {
  ControlInfo info;
  if (!FindControl(::GetDlgCtrlID(control), info) || info.hwnd != control || !info.hasColor) {
    return 0;
  }
  const int background = KindOf(info.kind).backgroundColor;
  ::SetTextColor(dc, info.color);
  ::SetBkColor(dc, ::GetSysColor(background));
  return reinterpret_cast<LRESULT>(::GetSysColorBrush(background));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (lParam != 0) {
        Record(EventKind::Control, LOWORD(wParam));
      } else if (HIWORD(wParam) == 0) {
        Record(EventKind::Menu, LOWORD(wParam));
      }
      return 0;
    case WM_HSCROLL:
      if (lParam != 0) {  // from a trackbar, not the window's own scroll bar
        Record(EventKind::Control, ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return 0;
      }
      break;
    case WM_TIMER:
      Record(EventKind::Timer, static_cast<int>(wParam));
      return 0;
    case WM_CLOSE:
      // Closing is the program's decision: the window stays.
      Record(EventKind::Close, WindowNumber(hwnd));
      return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT: {
      const LRESULT brush =
          ColorAnswer(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
      if (brush != 0) return brush;
      break;
    }
    case WM_SIZE:
      OnWindowResized(WindowNumber(hwnd));
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, message, wParam, lParam);
}

// Tab and Shift+Tab move the focus among the tab stops of the window that
// holds it, in creation order. Done here rather than with IsDialogMessage,
// which would also turn Enter and Escape into commands 1 and 2.
bool MoveFocusOnTab(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  const HWND root = ::GetAncestor(msg.hwnd, GA_ROOT);
  if (root == nullptr || WindowNumber(root) < 0) return false;
  HWND focus = ::GetFocus();
  if (focus != nullptr && !::IsChild(root, focus)) focus = nullptr;
  const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
  const HWND next = ::GetNextDlgTabItem(root, focus, backwards ? TRUE : FALSE);
  if (next != nullptr) ::SetFocus(next);
  return true;
}

}  // namespace

void Init() {
  ::InitCommonControls();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kWindowClass;
  ::RegisterClassExW(&wc);
}

void Shutdown() {
  for (const int number : WindowNumbers()) DestroyWindow(number);
  pending.clear();
}

bool CreateWindow(int number, const char* title, WindowStyle style, int x, int y,
                  int clientWidth, int clientHeight) {
  DestroyWindow(number);
  const DWORD windowStyle = style == WindowStyle::Main ? kMainStyle : kFixedStyle;
  // The outer size of a window without a menu bar; a menu attached later
  // takes its height from the client area.
  RECT rect = {0, 0, clientWidth, clientHeight};
  ::AdjustWindowRectEx(&rect, windowStyle, FALSE, 0);
  const HWND hwnd = ::CreateWindowExW(0, kWindowClass, Widen(title).c_str(), windowStyle, x, y,
                                      rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                      nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return false;
  RegisterWindow(number, hwnd);
  ::ShowWindow(hwnd, SW_SHOWNORMAL);
  return true;
}

void HideWindow(int number) {
  if (const HWND hwnd = WindowHandle(number)) ::ShowWindow(hwnd, SW_HIDE);
}

void DestroyWindow(int number) {
  const HWND hwnd = WindowHandle(number);
  if (hwnd == nullptr) return;
  ForgetWindow(number);
  ::DestroyWindow(hwnd);  // with its controls, status bar and menu
}

void StartTimer(int window, int id, int periodMs) {
  if (const HWND hwnd = WindowHandle(window)) {
    ::SetTimer(hwnd, static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
  }
}

namespace {

struct DisabledWindows {
  HWND owner;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM context) {
  auto* state = reinterpret_cast<DisabledWindows*>(context);
  if (hwnd != state->owner && ::IsWindowVisible(hwnd) && ::IsWindowEnabled(hwnd)) {
    state->windows.push_back(hwnd);
  }
  return TRUE;
}

}  // namespace

void ShowErrorBox(const char* text, const char* caption) {
  // Owned by the foreground window only when that window is ours.
  HWND owner = ::GetForegroundWindow();
  DWORD process = 0;
  if (owner != nullptr) ::GetWindowThreadProcessId(owner, &process);
  if (process != ::GetCurrentProcessId()) owner = nullptr;

  // The box disables its owner itself; the thread's other windows are
  // disabled here, so none of them takes input while the box is up.
  DisabledWindows disabled{owner, {}};
  ::EnumThreadWindows(::GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&disabled));
  for (const HWND hwnd : disabled.windows) ::EnableWindow(hwnd, FALSE);

  ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONERROR);

  for (const HWND hwnd : disabled.windows) {
    if (::IsWindow(hwnd)) ::EnableWindow(hwnd, TRUE);
  }
}

Event WaitEvent() {
  if (pending.empty()) {
    MSG msg;
    if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) return Event{};
    if (!MoveFocusOnTab(msg)) {
      ::TranslateMessage(&msg);
      ++dispatchDepth;
      ::DispatchMessageW(&msg);
      --dispatchDepth;
    }
  }
  if (pending.empty()) return Event{};
  const Event event = pending.front();
  pending.pop_front();
  return event;
}

}  // namespace ui
