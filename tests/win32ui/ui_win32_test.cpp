// The Windows toolkit against real windows, run under Wine on a private X
// display: classes, styles and identifiers of every control kind, window
// frames, fonts, colours, menus, the status bar, the events WaitEvent hands
// out (and those it must not), focus moves, texts from another thread and
// the error box.
#include <windows.h>
#include <commctrl.h>
#undef CreateWindow
#undef CreateFont

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "ui/layout_metrics.h"
#include "ui/ui.h"

namespace {

using K = ui::ControlKind;
using Clock = std::chrono::steady_clock;

HWND TopLevel(const wchar_t* title) {
  HWND found = nullptr;
  for (HWND h = ::FindWindowExW(nullptr, nullptr, nullptr, title); h != nullptr;
       h = ::FindWindowExW(nullptr, h, nullptr, title)) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(h, &pid);
    if (pid == ::GetCurrentProcessId()) found = h;
  }
  return found;
}

HWND Child(HWND parent, int id) { return ::GetDlgItem(parent, id); }

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hwnd, name, 64);
  return name;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  ::GetWindowTextW(hwnd, text, 256);
  return text;
}

// Waits (bounded) for the next event that is not of kind None.
ui::Event NextEvent(int limitMs = 3000) {
  const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
  // A timer keeps WaitEvent from blocking past the limit.
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 50, nullptr);
  ui::Event event;
  while (Clock::now() < end) {
    event = ui::WaitEvent();
    if (event.kind != ui::EventKind::None) break;
  }
  ::KillTimer(nullptr, guard);
  return event;
}

// Hands every message already queued to WaitEvent; returns the events.
std::vector<ui::Event> Drain() {
  std::vector<ui::Event> events;
  ::PostMessageW(nullptr, WM_APP, 0, 0);  // marks the end of the queue
  for (int i = 0; i < 1000; ++i) {
    MSG peek;
    const bool more = ::PeekMessageW(&peek, nullptr, 0, 0, PM_NOREMOVE) != FALSE;
    const ui::Event event = ui::WaitEvent();
    if (event.kind != ui::EventKind::None) events.push_back(event);
    if (!more || (peek.hwnd == nullptr && peek.message == WM_APP)) break;
  }
  return events;
}

class Win32Ui : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Init();
    if (!ui::CreateWindow(1, "Главное окно", ui::WindowStyle::Main, 497, 191, 565, 404)) {
      GTEST_SKIP() << "no display: windows cannot be created";
    }
    main_ = TopLevel(L"Главное окно");
    ASSERT_NE(main_, nullptr);
  }
  void TearDown() override {
    ui::Shutdown();
    Drain();
  }
  HWND main_ = nullptr;
};

TEST_F(Win32Ui, EveryControlKindHasItsClassStylesAndIdentifier) {
  struct Case {
    K kind;
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
  };
  const DWORD base = WS_CHILD | WS_VISIBLE | WS_GROUP;
  const DWORD edit = base | WS_TABSTOP | ES_AUTOHSCROLL;
  const Case cases[] = {
      {K::StaticLeft, L"Static", base | SS_LEFT, 0},
      {K::StaticCenter, L"Static", base | SS_CENTER, 0},
      {K::ReadOnlyEdit, L"Edit", edit | ES_READONLY, WS_EX_CLIENTEDGE},
      {K::Edit, L"Edit", edit, WS_EX_CLIENTEDGE},
      {K::EditUppercase, L"Edit", edit | ES_UPPERCASE, WS_EX_CLIENTEDGE},
      {K::GroupBox, L"Button", base | BS_GROUPBOX, 0},
      {K::PushButton, L"Button", base | WS_TABSTOP | BS_PUSHBUTTON, 0},
      {K::CheckBox, L"Button", base | WS_TABSTOP | BS_AUTOCHECKBOX, 0},
      {K::Trackbar, L"msctls_trackbar32", WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS, 0},
  };
  const HGDIOBJ guiFont = ::GetStockObject(DEFAULT_GUI_FONT);
  int id = 40;
  for (const Case& c : cases) {
    ++id;
    ASSERT_TRUE(ui::CreateControl(1, id, c.kind, {10, 20, 30, 40}, "x"));
    const HWND hwnd = Child(main_, id);
    ASSERT_NE(hwnd, nullptr) << id;
    EXPECT_EQ(::GetDlgCtrlID(hwnd), id);
    EXPECT_EQ(_wcsicmp(ClassOf(hwnd).c_str(), c.className), 0) << id;
    // Only the class's own bookkeeping bits may come on top.
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_STYLE));
    EXPECT_EQ(style & 0xFFFF0000u, c.style & 0xFFFF0000u) << std::hex << style << " kind " << id;
    EXPECT_EQ(style & 0xFFFFu, c.style & 0xFFFFu) << std::hex << style << " kind " << id;
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & WS_EX_CLIENTEDGE, c.exStyle) << id;
    if (c.kind != K::Trackbar) {  // a slider has no text and keeps no font
      EXPECT_EQ(reinterpret_cast<HGDIOBJ>(::SendMessageW(hwnd, WM_GETFONT, 0, 0)), guiFont) << id;
    }
    RECT r;
    ::GetWindowRect(hwnd, &r);
    ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, 30);
    EXPECT_EQ(r.bottom - r.top, 40);
  }
  // The same identifier again replaces the control.
  ASSERT_TRUE(ui::CreateControl(1, 41, K::PushButton, {0, 0, 50, 20}, "новая"));
  EXPECT_EQ(ClassOf(Child(main_, 41)), L"Button");
  EXPECT_EQ(TextOf(Child(main_, 41)), L"новая");
  EXPECT_FALSE(ui::CreateControl(99, 60, K::PushButton, {0, 0, 1, 1}, "")) << "no such window";
}

TEST_F(Win32Ui, WindowFramesKeepTheirOuterSizeWhenTheMenuComes) {
  RECT outer;
  ::GetWindowRect(main_, &outer);
  RECT expected = {0, 0, 565, 404};
  ::AdjustWindowRectEx(&expected, 0xCE0000, FALSE, 0);
  EXPECT_EQ(outer.left, 497);
  EXPECT_EQ(outer.top, 191);
  EXPECT_EQ(outer.right - outer.left, expected.right - expected.left);
  EXPECT_EQ(outer.bottom - outer.top, expected.bottom - expected.top);
  const auto style = static_cast<DWORD>(::GetWindowLongPtrW(main_, GWL_STYLE));
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            0xCE0000u);
  EXPECT_TRUE(::IsWindowVisible(main_));
  EXPECT_EQ(::GetClassLongPtrW(main_, GCL_STYLE) & CS_DBLCLKS, static_cast<ULONG_PTR>(CS_DBLCLKS));
  EXPECT_EQ(::GetClassLongPtrW(main_, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  const ui::MenuEntry menu[] = {{0, "Меню", 0}, {1, "Пункт", 7}};
  ASSERT_TRUE(ui::SetMenu(1, menu, 2));
  RECT after, client;
  ::GetWindowRect(main_, &after);
  ::GetClientRect(main_, &client);
  EXPECT_EQ(after.right - after.left, outer.right - outer.left);
  EXPECT_EQ(after.bottom - after.top, outer.bottom - outer.top);
  EXPECT_EQ(client.right, 565);
  EXPECT_LT(client.bottom, 404);
  EXPECT_GT(client.bottom, 404 - 40);

  ASSERT_TRUE(ui::CreateWindow(4, "Диалог", ui::WindowStyle::Fixed, 497, 191, 300, 200));
  const HWND fixed = TopLevel(L"Диалог");
  ASSERT_NE(fixed, nullptr);
  const auto fixedStyle = static_cast<DWORD>(::GetWindowLongPtrW(fixed, GWL_STYLE));
  EXPECT_EQ(fixedStyle & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                          WS_MAXIMIZEBOX),
            static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  ::GetClientRect(fixed, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  // A second window under the same number replaces the first.
  ASSERT_TRUE(ui::CreateWindow(4, "Диалог 2", ui::WindowStyle::Fixed, 0, 0, 300, 200));
  EXPECT_FALSE(::IsWindow(fixed));
}

TEST_F(Win32Ui, MenuTreeFromTheTable) {
  const ui::MenuEntry menu[] = {
      {0, "Настройки", 0}, {1, "Максимальная мощность", 0}, {2, "1 Датчик", 0},
      {3, "50 Ватт", 24},  {3, "1200Ватт", 28},              {0, "Общее", 0},
      {1, "О Авторе", 26},
  };
  ASSERT_TRUE(ui::SetMenu(1, menu, 7));
  const HMENU bar = ::GetMenu(main_);
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(::GetMenuItemCount(bar), 2);
  wchar_t text[64];
  ::GetMenuStringW(bar, 0, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"Настройки");
  const HMENU sensor = ::GetSubMenu(::GetSubMenu(::GetSubMenu(bar, 0), 0), 0);
  ASSERT_NE(sensor, nullptr);
  ASSERT_EQ(::GetMenuItemCount(sensor), 2);
  EXPECT_EQ(::GetMenuItemID(sensor, 0), 24u);
  EXPECT_EQ(::GetMenuItemID(sensor, 1), 28u);
  ::GetMenuStringW(sensor, 1, text, 64, MF_BYPOSITION);
  EXPECT_STREQ(text, L"1200Ватт");
  EXPECT_EQ(::GetMenuItemID(::GetSubMenu(bar, 1), 0), 26u);

  // A row deeper than any open sub-menu is refused; the old bar stays.
  const ui::MenuEntry broken[] = {{0, "А", 0}, {2, "Б", 5}};
  EXPECT_FALSE(ui::SetMenu(1, broken, 2));
  EXPECT_EQ(::GetMenu(main_), bar);
}

TEST_F(Win32Ui, FontsAreSizedForTheDisplayAndSetOnControls) {
  const HDC dc = ::GetDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(nullptr, dc);
  const ui::Font font = ui::CreateFont("Times New Roman", 20);
  ASSERT_NE(font, 0);
  LOGFONTW lf = {};
  ASSERT_EQ(::GetObjectW(reinterpret_cast<HFONT>(font), sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, ui::FontHeight(20, dpi));
  EXPECT_EQ(lf.lfWidth, 0);
  EXPECT_EQ(lf.lfWeight, 400);
  EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_STREQ(lf.lfFaceName, L"Times New Roman");

  ASSERT_TRUE(ui::CreateControl(1, 1, K::ReadOnlyEdit, {40, 40, 100, 30}, ""));
  ui::SetFont(1, font);
  EXPECT_EQ(::SendMessageW(Child(main_, 1), WM_GETFONT, 0, 0), font);
  ui::SetFont(1, 0);  // no font: the system font
  EXPECT_EQ(::SendMessageW(Child(main_, 1), WM_GETFONT, 0, 0), 0);
  ui::DestroyControl(1);
  ui::DeleteFont(font);
}

TEST_F(Win32Ui, TextColoursAnsweredWithTheirBackgrounds) {
  ASSERT_TRUE(ui::CreateControl(1, 0, K::StaticLeft, {280, 10, 100, 30}, "Уведомление"));
  ASSERT_TRUE(ui::CreateControl(1, 1, K::ReadOnlyEdit, {40, 40, 100, 30}, ""));
  ui::SetTextColor(0, ui::Rgb(246, 13, 9));
  ui::SetTextColor(1, ui::Rgb(0, 0, 223));
  struct Case {
    int id;
    COLORREF text;
    int background;
  };
  const Case cases[] = {{0, 0x090DF6, COLOR_BTNFACE}, {1, 0xDF0000, COLOR_BTNHIGHLIGHT}};
  for (const Case& c : cases) {
    const HDC dc = ::CreateCompatibleDC(nullptr);
    const LRESULT brush = ::SendMessageW(main_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(Child(main_, c.id)));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), ::GetSysColorBrush(c.background)) << c.id;
    EXPECT_EQ(::GetTextColor(dc), c.text) << c.id;
    EXPECT_EQ(::GetBkColor(dc), ::GetSysColor(c.background)) << c.id;
    ::DeleteDC(dc);
  }
}

TEST_F(Win32Ui, TextsRoundTripAndUnknownIdentifiersAreSkipped) {
  ASSERT_TRUE(ui::CreateControl(1, 9, K::StaticCenter, {0, 0, 100, 20}, "Отражённая"));
  EXPECT_EQ(TextOf(Child(main_, 9)), L"Отражённая");
  EXPECT_EQ(ui::GetText(9), "Отражённая");
  ui::SetText(9, "Прямая ");
  EXPECT_EQ(ui::GetText(9), "Прямая ");
  ui::SetText(77, "нет такого");  // skipped
  EXPECT_EQ(ui::GetText(77), "");
  ui::DestroyControl(9);
  ui::SetText(9, "после");  // skipped too
  EXPECT_EQ(Child(main_, 9), nullptr);
}

TEST_F(Win32Ui, TextsFromAnotherThreadArriveWhileTheLoopWaits) {
  ASSERT_TRUE(ui::CreateControl(1, 3, K::ReadOnlyEdit, {40, 180, 100, 30}, ""));
  std::atomic<int> done{0};
  std::thread reader([&] {
    for (int i = 0; i <= 100; ++i) ui::SetText(3, std::to_string(i).c_str());
    ui::SetText(55, "ничей");  // no such control: skipped, no wait
    done = 1;
  });
  const auto end = Clock::now() + std::chrono::seconds(10);
  const UINT_PTR guard = ::SetTimer(nullptr, 0, 20, nullptr);
  while (done == 0 && Clock::now() < end) ui::WaitEvent();
  ::KillTimer(nullptr, guard);
  reader.join();
  EXPECT_EQ(done.load(), 1);
  EXPECT_EQ(ui::GetText(3), "100");
}

TEST_F(Win32Ui, MessagesBecomeEvents) {
  ASSERT_TRUE(ui::CreateControl(1, 16, K::PushButton, {420, 40, 78, 25}, "1 Датчик"));
  ASSERT_TRUE(ui::CreateControl(1, 13, K::CheckBox, {420, 150, 100, 20}, "Блокировка"));
  ASSERT_TRUE(ui::CreateControl(1, 42, K::Trackbar, {30, 40, 250, 20}, ""));
  ui::SetTrackbarRange(42, 10, 40);
  ui::SetTrackbarPos(42, 0);
  EXPECT_EQ(ui::GetTrackbarPos(42), 10) << "clamped to the range";

  struct Case {
    const char* what;
    HWND target;
    UINT message;
    WPARAM wParam;
    ui::EventKind kind;
    int id;
  };
  const Case cases[] = {
      {"button click", Child(main_, 16), BM_CLICK, 0, ui::EventKind::Control, 16},
      {"check box click", Child(main_, 13), BM_CLICK, 0, ui::EventKind::Control, 13},
      {"menu item", main_, WM_COMMAND, 95, ui::EventKind::Menu, 95},
      {"slider key", Child(main_, 42), WM_KEYDOWN, VK_RIGHT, ui::EventKind::Control, 42},
      {"close box", main_, WM_CLOSE, 0, ui::EventKind::Close, 1},
  };
  for (const Case& c : cases) {
    ::PostMessageW(c.target, c.message, c.wParam, 0);
    const ui::Event event = NextEvent();
    EXPECT_EQ(event.kind, c.kind) << c.what;
    EXPECT_EQ(event.id, c.id) << c.what;
    Drain();  // notifications that follow (key up, focus)
  }
  EXPECT_EQ(ui::GetCheck(13), 1) << "the check box toggles itself";
  EXPECT_EQ(ui::GetTrackbarPos(42), 11);
  EXPECT_TRUE(::IsWindow(main_)) << "a close request leaves the window alone";

  ui::StartTimer(1, 1, 30);
  const ui::Event tick = NextEvent();
  EXPECT_EQ(tick.kind, ui::EventKind::Timer);
  EXPECT_EQ(tick.id, 1);
  ::KillTimer(main_, 1);
}

TEST_F(Win32Ui, EventsOutsideTheWaitAndEnterEscapeYieldNothing) {
  ASSERT_TRUE(ui::CreateControl(1, 16, K::PushButton, {420, 40, 78, 25}, "1 Датчик"));
  ASSERT_TRUE(ui::CreateControl(1, 2, K::Edit, {40, 110, 100, 30}, ""));
  // Handled without WaitEvent dispatching: dropped, not queued.
  ::SendMessageW(main_, WM_CLOSE, 0, 0);
  ::SendMessageW(Child(main_, 16), BM_CLICK, 0, 0);
  for (const int id : {16, 2}) {
    ::SetFocus(Child(main_, id));
    for (const WPARAM key : {VK_RETURN, VK_ESCAPE}) {
      ::PostMessageW(Child(main_, id), WM_KEYDOWN, key, 0);
      ::PostMessageW(Child(main_, id), WM_KEYUP, key, 0);
    }
  }
  for (const ui::Event& e : Drain()) {
    EXPECT_NE(e.kind, ui::EventKind::Close);
    EXPECT_NE(e.kind, ui::EventKind::Menu) << e.id;
    EXPECT_FALSE(e.kind == ui::EventKind::Control && e.id == 16) << "button pressed by a key";
  }
}

TEST_F(Win32Ui, TabAndShiftTabMoveTheFocusInCreationOrder) {
  ASSERT_TRUE(ui::CreateControl(1, 0, K::StaticLeft, {0, 0, 50, 20}, "текст"));
  ASSERT_TRUE(ui::CreateControl(1, 1, K::ReadOnlyEdit, {0, 30, 50, 20}, ""));
  ASSERT_TRUE(ui::CreateControl(1, 10, K::GroupBox, {100, 0, 90, 90}, "рамка"));
  ASSERT_TRUE(ui::CreateControl(1, 16, K::PushButton, {110, 20, 60, 20}, "1"));
  ASSERT_TRUE(ui::CreateControl(1, 13, K::CheckBox, {110, 50, 60, 20}, "2"));
  ::SetForegroundWindow(main_);
  ::SetFocus(Child(main_, 1));
  ASSERT_EQ(::GetFocus(), Child(main_, 1));

  BYTE keys[256] = {};
  const auto press = [&](bool shift) {
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    Drain();
  };
  const int forward[] = {16, 13, 1, 16};
  for (const int id : forward) {
    press(false);
    EXPECT_EQ(::GetFocus(), Child(main_, id)) << "Tab to " << id;
  }
  const int backward[] = {1, 13, 16};
  for (const int id : backward) {
    press(true);
    EXPECT_EQ(::GetFocus(), Child(main_, id)) << "Shift+Tab to " << id;
  }
  press(false);  // leaves Shift released
}

TEST_F(Win32Ui, StatusBarIsMadeOnceAndSplitEquallyAtEveryWidth) {
  ui::EnsureStatusBar(1, 18);
  ui::EnsureStatusBar(1, 18);
  int bars = 0;
  HWND bar = nullptr;
  for (HWND h = ::GetWindow(main_, GW_CHILD); h != nullptr; h = ::GetWindow(h, GW_HWNDNEXT)) {
    if (_wcsicmp(ClassOf(h).c_str(), STATUSCLASSNAMEW) == 0) {
      ++bars;
      bar = h;
    }
  }
  ASSERT_EQ(bars, 1);
  for (const int width : {565, 400, 800, 573}) {
    ::SetWindowPos(main_, nullptr, 0, 0, width, 300, SWP_NOMOVE | SWP_NOZORDER);
    RECT client, barRect;
    ::GetClientRect(bar, &client);
    ::GetClientRect(main_, &barRect);
    EXPECT_EQ(client.right, barRect.right) << "the bar spans the window";
    int edges[4] = {};
    ASSERT_EQ(::SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 2);
    const int field = ui::StatusFieldWidth(client.right, client.bottom);
    EXPECT_EQ(edges[0], field) << width;
    EXPECT_EQ(edges[1], 2 * field) << width;
    EXPECT_GE(client.bottom, 18);
  }
  ui::SetStatusText(1, 0, "23:59:59");
  ui::SetStatusText(1, 1, "31.12.2026");
  wchar_t text[64] = {};
  ::SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"\t23:59:59");
  ::SendMessageW(bar, SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"\t31.12.2026");
}

TEST_F(Win32Ui, ErrorBoxDisablesTheOtherWindowsAndSwallowsTheirEvents) {
  ASSERT_TRUE(ui::CreateWindow(2, "Второе", ui::WindowStyle::Fixed, 100, 100, 300, 200));
  const HWND second = TopLevel(L"Второе");
  ASSERT_NE(second, nullptr);
  ::SetForegroundWindow(second);
  const HWND foreground = ::GetForegroundWindow();

  std::atomic<bool> mainDisabled{false}, secondDisabled{false}, seen{false};
  std::atomic<HWND> owner{nullptr};
  std::thread watcher([&] {
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
      const HWND box = TopLevel(L"Ксв метр");
      if (box != nullptr && ::IsWindowVisible(box)) {
        seen = true;
        owner = ::GetWindow(box, GW_OWNER);
        mainDisabled = !::IsWindowEnabled(main_);
        secondDisabled = !::IsWindowEnabled(second);
        // Produced while the box runs its own loop: must not surface later.
        ::PostMessageW(main_, WM_CLOSE, 0, 0);
        ::PostMessageW(main_, WM_COMMAND, 95, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  ui::ShowErrorBox("Устройство неподключено", "Ксв метр");
  watcher.join();
  ASSERT_TRUE(seen);
  EXPECT_TRUE(mainDisabled);
  EXPECT_TRUE(secondDisabled);
  DWORD pid = 0;
  if (foreground != nullptr) ::GetWindowThreadProcessId(foreground, &pid);
  EXPECT_EQ(owner.load(), pid == ::GetCurrentProcessId() ? foreground : nullptr);
  EXPECT_TRUE(::IsWindowEnabled(main_));
  EXPECT_TRUE(::IsWindowEnabled(second));
  for (const ui::Event& e : Drain()) {
    EXPECT_NE(e.kind, ui::EventKind::Close);
    EXPECT_NE(e.kind, ui::EventKind::Menu);
  }
}

TEST_F(Win32Ui, HiddenAndDestroyedWindows) {
  ASSERT_TRUE(ui::CreateWindow(3, "Об авторе", ui::WindowStyle::Fixed, 497, 191, 300, 200));
  ASSERT_TRUE(ui::CreateControl(3, 33, K::Edit, {130, 125, 120, 20}, "почта"));
  const HWND about = TopLevel(L"Об авторе");
  ui::HideWindow(3);
  EXPECT_FALSE(::IsWindowVisible(about));
  EXPECT_EQ(ui::GetText(33), "почта") << "a hidden window keeps its controls";
  ui::DestroyWindow(3);
  EXPECT_FALSE(::IsWindow(about));
  EXPECT_EQ(ui::GetText(33), "") << "its controls are gone with it";
}

}  // namespace
