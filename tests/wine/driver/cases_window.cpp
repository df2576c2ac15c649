// The main window as the user first sees it: frame, controls, fonts,
// colours, menu, status bar and keyboard focus.
#include <windows.h>
#include <commctrl.h>

#include <ctime>

#include "report.h"
#include "screen.h"
#include "suite.h"
#include "user.h"

namespace wt {
namespace {

constexpr LONG kBase = WS_CHILD | WS_VISIBLE | WS_GROUP;

struct ControlRow {
  int id;
  const char* className;
  RECT rect;  // x, y, w, h
  const char* text;
  LONG style;
  LONG exStyle;
  int fontPoints;  // 0 = the default GUI font
  COLORREF color;  // CLR_INVALID = default colour
};

const ControlRow kControls[] = {
    {DeviceNoticeText, "Static", {280, 10, 100, 30}, "Устройство неподключено", kBase | SS_LEFT, 0, 0, RGB(246, 13, 9)},
    {PowerField, "Edit", {40, 40, 100, 30}, "", kBase | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 20, RGB(0, 0, 223)},
    {SwrField, "Edit", {40, 110, 100, 30}, "", kBase | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 20, RGB(0, 0, 223)},
    {ForwardField, "Edit", {40, 180, 100, 30}, "", kBase | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 20, RGB(0, 0, 223)},
    {ReflectedField, "Edit", {40, 250, 100, 30}, "", kBase | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 20, RGB(0, 0, 223)},
    {ActiveSensorField, "Edit", {50, 320, 30, 40}, "", kBase | WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 26, RGB(0, 0, 223)},
    {ActiveSensorCaption, "Static", {100, 320, 200, 30}, "Включеный датчик", kBase | SS_CENTER, 0, 12, CLR_INVALID},
    {PowerCaption, "Static", {160, 40, 100, 20}, "Мощность", kBase | SS_CENTER, 0, 16, CLR_INVALID},
    {SwrCaption, "Static", {160, 110, 100, 30}, "КСВ", kBase | SS_CENTER, 0, 20, CLR_INVALID},
    {ForwardCaption, "Static", {160, 180, 100, 30}, "Прямая ", kBase | SS_CENTER, 0, 14, CLR_INVALID},
    {ReflectedCaption, "Static", {160, 250, 100, 30}, "Отражённая", kBase | SS_CENTER, 0, 14, CLR_INVALID},
    {SensorSelectFrame, "Button", {400, 20, 110, 120}, "Выбор датчика", kBase | BS_GROUPBOX, 0, 0, CLR_INVALID},
    {Sensor1Button, "Button", {420, 40, 78, 25}, "1 Датчик", kBase | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, CLR_INVALID},
    {Sensor2Button, "Button", {420, 70, 78, 25}, "2 Датчик", kBase | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, CLR_INVALID},
    {Sensor3Button, "Button", {420, 100, 78, 25}, "3 Датчик", kBase | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, CLR_INVALID},
    {BlockingCheckBox, "Button", {420, 150, 100, 20}, "Блокировка", kBase | WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, CLR_INVALID},
};

struct MenuRow {
  int level;
  const char* text;
  int id;  // 0 = opens a sub-menu
};

const MenuRow kMenu[] = {
    {0, "Настройки", 0},
    {1, "Максимальное КСВ", 0},
    {2, "1 Датчик", 21}, {2, "2 Датчик", 22}, {2, "3 Датчик", 23},
    {1, "Максимальная мощность", 0},
    {2, "1 Датчик", 0},
    {3, "50 Ватт", 24}, {3, "120 Ватт", 29}, {3, "400 Ватт", 30}, {3, "600 Ватт", 27}, {3, "1200Ватт", 28},
    {2, "2 Датчик", 0},
    {3, "50 Ватт", 31}, {3, "120 Ватт", 32}, {3, "400 Ватт", 33}, {3, "600 Ватт", 90}, {3, "1200 Ватт", 91},
    {2, "3 Датчик", 0},
    {3, "50 Ватт", 92}, {3, "120 Ватт", 34}, {3, "400 Ватт", 35}, {3, "600 Ватт", 36}, {3, "1200 Ватт", 94},
    {0, "Датчики", 0},
    {1, "1 Датчик", 95}, {1, "2 Датчик", 96}, {1, "3 Датчик", 97},
    {0, "Общее", 0},
    {1, "О программе", 25}, {1, "О Авторе", 26},
};

std::string RectText(const RECT& r) {
  return Format("%ld,%ld %ldx%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
}

int ScreenDpi() {
  HDC dc = GetDC(nullptr);
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return dpi;
}

int FontHeight(int points, int dpi) { return -MulDiv(points, dpi, 72); }

}  // namespace

// Checks every control of the main window against the table: class,
// rectangle, style, text, font. Also used after a resize.
void CheckControls(Program& program, const char* when, bool withTexts) {
  const int dpi = ScreenDpi();
  for (const ControlRow& row : kControls) {
    const std::string name = Format("%s: control %d", when, row.id);
    HWND control = Child(program.Main(), row.id);
    if (!Check(control != nullptr, name + " exists")) continue;
    const WindowFacts f = FactsOf(control);
    CheckEq(Utf8(f.className), row.className, name + " class");
    const RECT want = {row.rect.left, row.rect.top, row.rect.left + row.rect.right, row.rect.top + row.rect.bottom};
    CheckEq(RectText(f.rect), RectText(want), name + " rectangle");
    if (!withTexts) continue;
    CheckEq(f.style, row.style, name + " style");
    CheckEq(f.exStyle, row.exStyle, name + " extended style");
    if (row.id != DeviceNoticeText) CheckEq(Utf8(f.text), row.text, name + " text");
    swrinspect::Request r = {};
    r.kind = swrinspect::kFont;
    r.window = reinterpret_cast<ULONG_PTR>(control);
    if (!Check(program.Inspect(r), name + " font can be read")) continue;
    if (row.fontPoints == 0) {
      Check(r.isDefaultGuiFont != 0, name + " has the default GUI font");
    } else {
      CheckEq(Utf8(r.font.lfFaceName), "Times New Roman", name + " font face");
      CheckEq(r.font.lfHeight, FontHeight(row.fontPoints, dpi), name + Format(" font height (%d pt at %d dpi)", row.fontPoints, dpi));
      CheckEq(r.font.lfWeight, 400, name + " font weight");
      Check(!r.font.lfItalic && !r.font.lfUnderline && !r.font.lfStrikeOut, name + " font plain");
    }
  }
}

void StartupWithoutController(Suite& suite) {
  BeginGroup("start-up without a controller; refused commands");
  suite.bus.SetInterfaces({suite.otherDevice, suite.swapped});
  Program program;
  if (!Launch(suite, program, "start-up")) return EndGroup();
  CheckEq(FieldText(program, DeviceNoticeText), kNotConnected, "the notice shows at once");
  for (int id : {PowerField, SwrField, ForwardField, ReflectedField, ActiveSensorField}) {
    CheckEq(FieldText(program, id), "", Format("value field %d stays empty", id));
  }
  // Each command is refused with the message box, and nothing is written.
  struct Action {
    const char* what;
    int control;  // or 0 for a menu item
    int menu;
  };
  const Action actions[] = {
      {"Sensor1Button", Sensor1Button, 0}, {"Sensor3Button", Sensor3Button, 0},
      {"BlockingCheckBox", BlockingCheckBox, 0}, {"menu item 96", 0, 96}, {"menu item 36", 0, 36},
  };
  const size_t mark = suite.bus.CommandCount();
  for (const Action& a : actions) {
    if (a.control) {
      Click(Child(program.Main(), a.control));
    } else {
      ChooseMenu(program.Main(), a.menu);
    }
    ExpectErrorBox(program, std::string("no controller, ") + a.what);
    Check(program.MessageBoxWindow() == nullptr, std::string("no controller, ") + a.what + ": only one box");
  }
  ExpectNoCommand(suite, mark, 200, "nothing written without a controller");
  CheckEq(FieldText(program, ActiveSensorField), "2", "a refused selection still shows the chosen sensor");

  // The clock stands still while the box is shown, and runs again after.
  HWND bar = FindWindowExW(program.Main(), nullptr, STATUSCLASSNAMEW, nullptr);
  Click(Child(program.Main(), Sensor2Button));
  HWND box = nullptr;
  WaitFor([&] { return (box = program.MessageBoxWindow()) != nullptr; }, 2000);
  const std::wstring before = program.StatusText(bar, 0);
  Sleep(1600);
  CheckEq(Utf8(program.StatusText(bar, 0)), Utf8(before), "the clock stands still while the message box is shown");
  if (box) DismissMessageBox(box);
  Check(WaitFor([&] { return program.StatusText(bar, 0) != before; }, 2500),
        "the clock runs again once the box is dismissed");

  // A refused command leaves no trace: after connecting, the next command
  // carries only its own bytes.
  ChooseMenu(program.Main(), 27);  // "1 Датчик" > "600 Ватт"
  ExpectErrorBox(program, "refused 600 W for sensor 1");
  suite.bus.SetInterfaces({suite.otherDevice, suite.swapped, suite.controller});
  Check(WaitNotice(program, false), "plugging the controller in clears the notice");
  size_t m = suite.bus.CommandCount();
  Click(Child(program.Main(), Sensor2Button));
  ExpectCommand(suite, m, {0, 3, 2, 0, 0, 0, 0, 0, 0}, "Sensor2Button after a refused command", suite.controller);
  CloseProgram(program, "refused commands");
  EndGroup();
}

void MainWindowLook(Suite& suite) {
  BeginGroup("main window: frame, controls, fonts, colours, menu, status bar, focus");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up")) return EndGroup();
  HWND main = program.Main();

  // The frame.
  CheckEq(Text(main), "Индикатор КСВ и Мощности VELTAR V 2.1.", "title");
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  CheckEq(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_POPUP | WS_CHILD),
          WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, "window styles (no maximise box)");
  CheckEq(GetWindowLongW(main, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0, "no extended style");
  RECT outer = {};
  GetWindowRect(main, &outer);
  RECT expected = {0, 0, 565, 404};
  AdjustWindowRectEx(&expected, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, FALSE, 0);
  CheckEq(Format("%ld,%ld", outer.left, outer.top), "497,191", "outer top-left corner");
  CheckEq(Format("%ldx%ld", outer.right - outer.left, outer.bottom - outer.top),
          Format("%ldx%ld", expected.right - expected.left, expected.bottom - expected.top),
          "outer size of a 565 x 404 client area without menu");
  RECT client = {};
  GetClientRect(main, &client);
  POINT origin = {0, 0};
  ClientToScreen(main, &origin);
  const LONG menuBar = (origin.y - outer.top) - (-expected.top);
  CheckEq(client.right, 565, "client width");
  CheckEq(client.bottom + menuBar, 404, "client height plus the menu bar");
  swrinspect::Request cls = {};
  cls.kind = swrinspect::kClass;
  cls.window = reinterpret_cast<ULONG_PTR>(main);
  if (Check(program.Inspect(cls), "window class can be read")) {
    CheckEq(cls.classStyle, CS_DBLCLKS, "class style");
    Check(cls.brushIsBtnFace != 0, "class background is the button face colour");
    Check(cls.cursorIsArrow != 0, "class cursor is the arrow");
    Check(cls.hasIcon != 0, "class has the program's icon");
  }

  CheckControls(program, "start", true);

  // The menu tree.
  swrinspect::Request menu = {};
  menu.kind = swrinspect::kMenu;
  menu.window = reinterpret_cast<ULONG_PTR>(main);
  if (Check(program.Inspect(menu) && menu.hasMenu, "the window has a menu bar")) {
    const int want = static_cast<int>(sizeof kMenu / sizeof kMenu[0]);
    CheckEq(menu.itemCount, want, "number of menu entries");
    for (int i = 0; i < want && i < menu.itemCount; ++i) {
      const swrinspect::MenuItem& got = menu.items[i];
      const MenuRow& row = kMenu[i];
      const std::string name = Format("menu entry %d \"%s\"", i, row.text);
      CheckEq(Utf8(got.text), row.text, name + " caption");
      CheckEq(got.level, row.level, name + " level");
      CheckEq(got.id, row.id, name + " identifier");
      CheckEq(got.popup, row.id == 0 ? 1 : 0, name + " opens a sub-menu");
      CheckEq(got.type & ~MFT_RIGHTJUSTIFY, MFT_STRING, name + " is a plain text item");
      CheckEq(got.state & (MFS_CHECKED | MFS_DISABLED | MFS_DEFAULT), 0, name + " state");
    }
  }

  // The status bar: two equal centred fields with the time and the date.
  HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
  if (Check(bar != nullptr, "status bar exists")) {
    const WindowFacts f = FactsOf(bar);
    RECT barClient = {};
    GetClientRect(bar, &barClient);
    CheckEq(f.rect.left, 0, "status bar starts at the left edge");
    CheckEq(f.rect.right, client.right, "status bar spans the client width");
    CheckEq(f.rect.bottom, client.bottom, "status bar lies at the bottom");
    Check(f.rect.bottom - f.rect.top >= 18, "status bar at least 18 pixels high");
    const std::vector<int> parts = program.StatusParts(bar);
    const int w = (barClient.right - (barClient.bottom + 3)) / 2;
    CheckEq(static_cast<long long>(parts.size()), 2, "status bar has two fields");
    if (parts.size() == 2) {
      CheckEq(Format("%d,%d", parts[0], parts[1]), Format("%d,%d", w, 2 * w), "field right edges");
    }
    const std::string time = Utf8(program.StatusText(bar, 0));
    const std::string date = Utf8(program.StatusText(bar, 1));
    SYSTEMTIME now;
    GetLocalTime(&now);
    CheckEq(date, Format("\t%02d.%02d.%04d", now.wDay, now.wMonth, now.wYear), "field 1: the date, centred");
    int h = -1, mi = -1, s = -1;
    const bool shaped = time.size() == 9 && std::sscanf(time.c_str(), "\t%2d:%2d:%2d", &h, &mi, &s) == 3;
    Check(shaped, "field 0: the time as a TAB and HH:MM:SS, got \"" + time + "\"");
    if (shaped) {
      const int shown = h * 3600 + mi * 60 + s;
      const int actual = now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
      Check(std::abs(actual - shown) <= 2 || std::abs(actual - shown) >= 86398, "field 0 shows the current time");
    }
    const std::wstring first = program.StatusText(bar, 0);
    Check(WaitFor([&] { return program.StatusText(bar, 0) != first; }, 2500), "the clock runs");
  }

  // Tab order, wrap-around and Shift+Tab.
  const int order[] = {PowerField, SwrField, ForwardField, ReflectedField, ActiveSensorField,
                       Sensor1Button, Sensor2Button, Sensor3Button, BlockingCheckBox, PowerField};
  SetForegroundWindow(main);
  if (Check(FocusControl(program, Child(main, PowerField)), "focus can be put on PowerField")) {
    for (size_t i = 1; i < sizeof order / sizeof order[0]; ++i) {
      PressKey(main, VK_TAB);
      HWND want = Child(main, order[i]);
      Check(WaitFor([&] { return program.Focus() == want; }, 1000),
            Format("Tab moves the focus to control %d (focus on %d)", order[i], GetDlgCtrlID(program.Focus())));
    }
    PressKey(main, VK_TAB, true);
    Check(WaitFor([&] { return program.Focus() == Child(main, BlockingCheckBox); }, 1000),
          "Shift+Tab from PowerField wraps to BlockingCheckBox");
    PressKey(main, VK_TAB, true);
    Check(WaitFor([&] { return program.Focus() == Child(main, Sensor3Button); }, 1000),
          "Shift+Tab moves back to Sensor3Button");
    // Enter and Escape do nothing (no default button, no dialog keys).
    const size_t mark = suite.bus.CommandCount();
    PressKey(main, VK_RETURN);
    PressKey(main, VK_ESCAPE);
    ExpectNoCommand(suite, mark, 400, "Enter and Escape on a button send nothing");
    Check(program.Running() && program.MessageBoxWindow() == nullptr, "Enter and Escape close nothing");
  }

  // Colours: live values in blue on the highlight colour, captions in the
  // default colour; then the red notice after unplugging.
  if (!RequireConnected(suite, program, "controller present at start")) return EndGroup();
  const std::vector<std::uint8_t> live = Report(2, 100, 20, 1, 15);
  suite.bus.Feed(suite.controller, live.data());
  WaitText(program, PowerField, "192.0");
  SetForegroundWindow(main);
  Sleep(300);
  {
    Capture shot(ScreenRect(main));
    const COLORREF blue = RGB(0, 0, 223);
    for (int id : {PowerField, SwrField, ForwardField, ReflectedField, ActiveSensorField}) {
      const RECT r = ScreenRect(Child(main, id));
      const int n = shot.Count(r, [&](COLORREF c) { return c == blue; });
      Check(n >= 10, Format("field %d text drawn in RGB(0, 0, 223) (%d pixels)", id, n));
      CheckEq(static_cast<long long>(shot.At(r.right - 4, r.bottom - 4)),
              static_cast<long long>(GetSysColor(COLOR_BTNHIGHLIGHT)), Format("field %d background", id));
    }
    for (int id : {PowerCaption, SwrCaption, ActiveSensorCaption}) {
      const int n = shot.Count(ScreenRect(Child(main, id)), [&](COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 80; });
      const int dark = shot.Count(ScreenRect(Child(main, id)), [&](COLORREF c) { return c == GetSysColor(COLOR_WINDOWTEXT) || c == GetSysColor(COLOR_BTNTEXT); });
      Check(n == 0 && dark > 10, Format("caption %d drawn in the default text colour", id));
    }
    Note("screenshot: " + Screenshot(suite, main, "main-window-live"));
  }
  suite.bus.SetInterfaces({});
  if (Check(WaitNotice(program, true), "unplugged: the notice returns")) {
    Sleep(300);
    Capture shot(ScreenRect(main));
    const int n = shot.Count(ScreenRect(Child(main, DeviceNoticeText)),
                             [](COLORREF c) { return GetRValue(c) > 180 && GetGValue(c) < 90 && GetBValue(c) < 90; });
    Check(n >= 10, Format("the notice is drawn in red (%d pixels)", n));
    Note("screenshot: " + Screenshot(suite, main, "main-window-not-connected"));
  }

  // Resizing moves no control; the status bar follows the width.
  SetWindowPos(main, nullptr, 0, 0, outer.right - outer.left + 120, outer.bottom - outer.top + 60,
               SWP_NOMOVE | SWP_NOZORDER);
  Sleep(300);
  CheckControls(program, "after resize", false);
  if (bar) {
    RECT wide = {};
    GetClientRect(main, &wide);
    const WindowFacts f = FactsOf(bar);
    CheckEq(f.rect.right, wide.right, "after resize: the status bar spans the new width");
    RECT barClient = {};
    GetClientRect(bar, &barClient);
    const std::vector<int> parts = program.StatusParts(bar);
    const int w = (barClient.right - (barClient.bottom + 3)) / 2;
    if (parts.size() == 2) CheckEq(Format("%d,%d", parts[0], parts[1]), Format("%d,%d", w, 2 * w), "after resize: equal fields");
  }
  CloseProgram(program, "main window");
  EndGroup();
}

}  // namespace wt
