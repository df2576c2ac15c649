// The maximum-SWR dialogs, the About windows (each with the main loop
// suspended meanwhile), and closing the program.
#include <windows.h>
#include <commctrl.h>

#include "report.h"
#include "suite.h"
#include "user.h"

namespace wt {
namespace {

constexpr LONG kBase = WS_CHILD | WS_VISIBLE;

std::string RectOf(HWND control) {
  const WindowFacts f = FactsOf(control);
  return Format("%ld,%ld %ldx%ld", f.rect.left, f.rect.top, f.rect.right - f.rect.left, f.rect.bottom - f.rect.top);
}

// Frame of a secondary window: position, client size, style.
void CheckFrame(HWND window, const std::string& what) {
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  CheckEq(Format("%ld,%ld", outer.left, outer.top), "497,191", what + ": outer top-left corner");
  CheckEq(Format("%ldx%ld", client.right, client.bottom), "300x200", what + ": client size");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  CheckEq(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD | WS_POPUP),
          WS_CAPTION | WS_SYSMENU, what + ": title bar and close box only");
  CheckEq(GetWindowLongW(window, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0, what + ": no extended style");
  Check(GetWindow(window, GW_OWNER) == nullptr && GetParent(window) == nullptr, what + ": no owner, no parent");
}

HWND WaitWindow(Program& program, const std::string& title) {
  HWND w = nullptr;
  WaitFor([&] { return (w = program.FindWindowTitled(Wide(title))) != nullptr; }, 3000);
  return w;
}

bool WaitHidden(HWND window) {
  return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 2000);
}

// While a secondary window is open the main window's events are dropped:
// nothing is sent, the check box toggles by itself only, the clock stands
// still, and the measurement fields still follow the controller.
void CheckMainSuspended(Suite& suite, Program& program, const std::string& what) {
  HWND main = program.Main();
  HWND bar = FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr);
  const std::wstring clock = program.StatusText(bar, 0);
  const size_t mark = suite.bus.CommandCount();
  HWND box = Child(main, BlockingCheckBox);
  DWORD_PTR before = 0, after = 0;
  SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_BLOCK, 2000, &before);
  Click(Child(main, Sensor2Button));
  ChooseMenu(main, 90);
  ChooseMenu(main, 96);
  Click(box);
  suite.bus.Feed(suite.controller, Report(3, 77, 0, 1, 23).data());
  Check(WaitText(program, ForwardField, "77"), what + ": the fields still follow the controller");
  Sleep(1300);
  ExpectNoCommand(suite, mark, 100, what + ": buttons, menu and check box send nothing");
  SendMessageTimeoutW(box, BM_GETCHECK, 0, 0, SMTO_BLOCK, 2000, &after);
  Check(after != before, what + ": the check box still toggles its mark");
  Click(box);  // back as it was, still without effect
  CheckEq(Utf8(program.StatusText(bar, 0)), Utf8(clock), what + ": the clock stands still");
  // Only one secondary window at a time: the menu items that open the
  // others are dropped too.
  const size_t windows = program.Windows().size();
  ChooseMenu(main, 25);
  ChooseMenu(main, 21);
  Sleep(300);
  CheckEq(static_cast<long long>(program.Windows().size()), static_cast<long long>(windows),
          what + ": no other secondary window opens");
  // The main window is not disabled: it can be brought in front.
  Check(IsWindowEnabled(main) != FALSE, what + ": the main window stays enabled");
  SetForegroundWindow(main);
  Check(WaitFor([&] { return program.Active() == main; }, 1000), what + ": the main window can be brought in front");
}

void CheckClockRuns(Program& program, const std::string& what) {
  HWND bar = FindWindowExW(program.Main(), nullptr, STATUSCLASSNAMEW, nullptr);
  const std::wstring clock = program.StatusText(bar, 0);
  Check(WaitFor([&] { return program.StatusText(bar, 0) != clock; }, 2500), what + ": the clock runs again");
}

struct DialogSpec {
  int sensor, menu, first;
  const char* title;
  const char* caption;
};

const DialogSpec kDialogs[] = {
    {1, 21, 41, "Максимальное КСВ 1 датчик", "Максимальное КСВ для 1 датчика."},
    {2, 22, 51, "Максимальное КСВ 2 датчик", "Максимальное КСВ для 2 датчика."},
    {3, 23, 61, "Максимальное КСВ 3 датчик", "Максимальное КСВ для 3 датчика."},
};

HWND OpenDialog(Program& program, const DialogSpec& d) {
  ChooseMenu(program.Main(), d.menu);
  HWND w = WaitWindow(program, d.title);
  Check(w != nullptr, Format("menu item %d opens \"%s\"", d.menu, d.title));
  return w;
}

}  // namespace

void SwrDialogs(Suite& suite) {
  BeginGroup("maximum-SWR dialogs");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  const DialogSpec& d1 = kDialogs[0];
  HWND dialog = OpenDialog(program, d1);
  if (!dialog) {
    CloseProgram(program, "dialogs");
    return EndGroup();
  }
  CheckFrame(dialog, "dialog 1");
  struct Row {
    int offset;
    const char* className;
    const char* rect;
    const char* text;
    LONG style;
    LONG exStyle;
  };
  const Row rows[] = {
      {0, "Static", "10,10 280x190", d1.caption, kBase | WS_GROUP | SS_CENTER, 0},
      {1, "msctls_trackbar32", "30,40 250x20", "", kBase | WS_TABSTOP | TBS_AUTOTICKS, 0},
      {2, "Edit", "130,80 30x30", "0.0", kBase | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL | ES_UPPERCASE, WS_EX_CLIENTEDGE},
      {3, "Button", "100,120 80x30", "Принять", kBase | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, 0},
  };
  for (const Row& r : rows) {
    HWND c = Child(dialog, d1.first + r.offset);
    const std::string name = Format("dialog 1 control %d", d1.first + r.offset);
    if (!Check(c != nullptr, name + " exists")) continue;
    const WindowFacts f = FactsOf(c);
    CheckEq(Utf8(f.className), r.className, name + " class");
    CheckEq(RectOf(c), r.rect, name + " rectangle");
    if (r.offset != 1) CheckEq(Utf8(f.text), r.text, name + " text");
    CheckEq(f.style & ~WS_GROUP, r.style & ~WS_GROUP, name + " style");
    CheckEq(f.exStyle, r.exStyle, name + " extended style");
    if (r.offset == 1) continue;  // a trackbar draws no text and keeps no font
    swrinspect::Request font = {};
    font.kind = swrinspect::kFont;
    font.window = reinterpret_cast<ULONG_PTR>(c);
    Check(program.Inspect(font) && font.isDefaultGuiFont, name + " has the default GUI font");
  }
  HWND slider = Child(dialog, 42);
  DWORD_PTR v = 0;
  SendMessageTimeoutW(slider, TBM_GETRANGEMIN, 0, 0, SMTO_BLOCK, 2000, &v);
  CheckEq(static_cast<long long>(v), 10, "slider minimum");
  SendMessageTimeoutW(slider, TBM_GETRANGEMAX, 0, 0, SMTO_BLOCK, 2000, &v);
  CheckEq(static_cast<long long>(v), 40, "slider maximum");
  SendMessageTimeoutW(slider, TBM_GETPOS, 0, 0, SMTO_BLOCK, 2000, &v);
  CheckEq(static_cast<long long>(v), 10, "slider starts at the left end");
  Note("screenshot: " + Screenshot(suite, dialog, "swr-dialog-1-fresh"));

  // Events of the main window are dropped while it is open.
  CheckMainSuspended(suite, program, "dialog open");
  // Enter and Escape with the focus on "Принять" do nothing.
  SetForegroundWindow(dialog);
  if (FocusControl(program, Child(dialog, 44))) {
    const size_t mark = suite.bus.CommandCount();
    PressKey(dialog, VK_RETURN);
    PressKey(dialog, VK_ESCAPE);
    ExpectNoCommand(suite, mark, 400, "dialog: Enter and Escape send nothing");
    Check(IsWindowVisible(dialog), "dialog: Enter and Escape leave it open");
    PressKey(dialog, VK_TAB);
    Check(WaitFor([&] { return program.Focus() == slider; }, 1000), "dialog: Tab from the button wraps to the slider");
    PressKey(dialog, VK_TAB, true);
    Check(WaitFor([&] { return program.Focus() == Child(dialog, 44); }, 1000), "dialog: Shift+Tab goes back to the button");
  } else {
    Check(false, "dialog: focus can be put on the button");
  }
  // "Принять" without moving the slider sends 0.
  size_t mark = suite.bus.CommandCount();
  Click(Child(dialog, 44));
  ExpectCommand(suite, mark, {0, 2, 1, 0, 0, 0, 0, 0, 0}, "dialog 1: accept without moving the slider");
  Check(WaitHidden(dialog), "dialog 1: accepting hides it");
  CheckClockRuns(program, "dialog closed");

  // Slider positions, the field, and each sensor's dialog.
  struct Move {
    int dialog, position;
    const char* shown;
  };
  const Move moves[] = {{0, 25, "2.5"}, {0, 10, "1.0"}, {1, 23, "2.3"}, {2, 40, "4.0"}};
  for (const Move& m : moves) {
    const DialogSpec& d = kDialogs[m.dialog];
    HWND w = OpenDialog(program, d);
    if (!w) continue;
    CheckEq(Text(Child(w, d.first + 2)), "0.0", Format("dialog %d: a fresh field shows 0.0", d.sensor));
    DragSlider(w, Child(w, d.first + 1), m.position);
    Check(WaitFor([&] { return Text(Child(w, d.first + 2)) == m.shown; }, 2000),
          Format("dialog %d: position %d shows %s (shows \"%s\")", d.sensor, m.position, m.shown, Text(Child(w, d.first + 2)).c_str()));
    HWND field = Child(w, d.first + 2);
    CheckEq(GetWindowLongW(field, GWL_STYLE) & ES_UPPERCASE, 0, Format("dialog %d: the rebuilt field has no ES_UPPERCASE", d.sensor));
    CheckEq(RectOf(field), "130,80 30x30", Format("dialog %d: the rebuilt field keeps its place", d.sensor));
    if (m.dialog == 0 && m.position == 25) Note("screenshot: " + Screenshot(suite, w, "swr-dialog-1-at-2.5"));
    mark = suite.bus.CommandCount();
    Click(Child(w, d.first + 3));
    ExpectCommand(suite, mark,
                  {0, 2, static_cast<std::uint8_t>(d.sensor), static_cast<std::uint8_t>(m.position), 0, 0, 0, 0, 0},
                  Format("dialog %d: accept at %d", d.sensor, m.position));
    WaitHidden(w);
  }

  // The close box sends nothing; the main window's close box closes only the dialog.
  dialog = OpenDialog(program, kDialogs[1]);
  if (dialog) {
    DragSlider(dialog, Child(dialog, 52), 33);
    WaitFor([&] { return Text(Child(dialog, 53)) == "3.3"; }, 2000);
    mark = suite.bus.CommandCount();
    CloseBox(dialog);
    Check(WaitHidden(dialog), "dialog 2: the close box hides it");
    ExpectNoCommand(suite, mark, 300, "dialog 2: the close box sends nothing");
    dialog = OpenDialog(program, kDialogs[1]);
    if (dialog) {
      CheckEq(Text(Child(dialog, 53)), "0.0", "dialog 2 reopened: starts afresh");
      DWORD_PTR pos = 0;
      SendMessageTimeoutW(Child(dialog, 52), TBM_GETPOS, 0, 0, SMTO_BLOCK, 2000, &pos);
      CheckEq(static_cast<long long>(pos), 10, "dialog 2 reopened: thumb at the left end");
      CloseBox(program.Main());
      Check(WaitHidden(dialog), "the main window's close box closes the dialog");
      Check(program.Running() && IsWindowVisible(program.Main()), "... and not the program");
      ExpectNoCommand(suite, mark, 200, "closing dialogs sent nothing");
    }
  }
  // Without a controller, "Принять" shows the box, then the dialog closes.
  suite.bus.SetInterfaces({});
  WaitNotice(program, true);
  dialog = OpenDialog(program, kDialogs[2]);
  if (dialog) {
    Click(Child(dialog, 64));
    ExpectErrorBox(program, "dialog 3 without a controller");
    Check(WaitHidden(dialog), "dialog 3 without a controller: closes after the box");
  }
  CloseProgram(program, "dialogs");
  EndGroup();
}

void AboutWindows(Suite& suite) {
  BeginGroup("About windows");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  ChooseMenu(program.Main(), 25);
  HWND about = WaitWindow(program, "О программе");
  if (Check(about != nullptr, "menu item 25 opens \"О программе\"")) {
    CheckFrame(about, "About program");
    HWND text = Child(about, 21);
    if (Check(text != nullptr, "About program: control 21 exists")) {
      const WindowFacts f = FactsOf(text);
      CheckEq(Utf8(f.className), "Static", "About program: text class");
      CheckEq(RectOf(text), "10,10 280x190", "About program: text rectangle");
      CheckEq(f.style, kBase | WS_GROUP | SS_CENTER, "About program: text style");
      Check(Utf8(f.text).rfind("Программа предназначена для индикации КСВ", 0) == 0 &&
                Utf8(f.text).find("так и автономно.") != std::string::npos,
            "About program: the description");
    }
    Note("screenshot: " + Screenshot(suite, about, "about-program"));
    CheckMainSuspended(suite, program, "About program open");
    // Moved, closed, reopened: back at its place.
    SetWindowPos(about, nullptr, 100, 80, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CloseBox(about);
    Check(WaitHidden(about), "About program: the close box hides it");
    CheckClockRuns(program, "About program closed");
    ChooseMenu(program.Main(), 25);
    about = WaitWindow(program, "О программе");
    if (Check(about != nullptr, "About program opens again")) {
      RECT r = {};
      GetWindowRect(about, &r);
      CheckEq(Format("%ld,%ld", r.left, r.top), "497,191", "About program reopened at its place");
      CloseBox(program.Main());
      Check(WaitHidden(about), "the main window's close box closes the About window");
      Check(program.Running(), "... and not the program");
    }
  }
  ChooseMenu(program.Main(), 26);
  HWND author = WaitWindow(program, "О Авторе");
  if (Check(author != nullptr, "menu item 26 opens \"О Авторе\"")) {
    CheckFrame(author, "About author");
    struct Row {
      int id;
      const char* className;
      const char* rect;
      const char* text;  // nullptr: any non-empty text
      LONG style;
      LONG exStyle;
    };
    const Row rows[] = {
        {31, "Static", "80,10 100x20", "VELTAR ", kBase | WS_GROUP | SS_CENTER, 0},
        {32, "Static", "80,30 100x20", nullptr, kBase | WS_GROUP | SS_CENTER, 0},
        {35, "Static", "80,55 100x40", nullptr, kBase | WS_GROUP | SS_CENTER, 0},
        {33, "Edit", "130,125 120x20", nullptr, kBase | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE},
        {34, "Static", "80,130 40x20", "Почта:", kBase | WS_GROUP | SS_LEFT, 0},
    };
    for (const Row& r : rows) {
      HWND c = Child(author, r.id);
      const std::string name = Format("About author control %d", r.id);
      if (!Check(c != nullptr, name + " exists")) continue;
      const WindowFacts f = FactsOf(c);
      CheckEq(Utf8(f.className), r.className, name + " class");
      CheckEq(RectOf(c), r.rect, name + " rectangle");
      CheckEq(f.style, r.style, name + " style");
      CheckEq(f.exStyle, r.exStyle, name + " extended style");
      if (r.text) {
        CheckEq(Utf8(f.text), r.text, name + " text");
      } else {
        Check(!f.text.empty(), name + " has a text");
      }
    }
    // Typing in the e-mail field ends nothing.
    if (FocusControl(program, Child(author, 33))) {
      PressKey(author, 'X');
      PressKey(author, VK_RETURN);
      PressKey(author, VK_ESCAPE);
      Sleep(300);
      Check(IsWindowVisible(author), "About author: typing, Enter and Escape leave it open");
    }
    Note("screenshot: " + Screenshot(suite, author, "about-author"));
    CloseBox(author);
    Check(WaitHidden(author), "About author: the close box hides it");
  }
  CloseProgram(program, "About windows");
  EndGroup();
}

void Shutdown(Suite& suite) {
  BeginGroup("closing");
  suite.bus.SetInterfaces({suite.controller});
  Program program;
  if (!Launch(suite, program, "start-up") || !RequireConnected(suite, program, "start-up")) return EndGroup();
  suite.bus.Feed(suite.controller, Report(1, 50, 5, 1, 12).data());
  WaitText(program, ForwardField, "50");
  const size_t mark = suite.bus.CommandCount();
  CloseProgram(program, "connected");
  ExpectNoCommand(suite, mark, 300, "nothing written on the way out");
  Check(WaitFor([&] { return suite.bus.OpenConnections(suite.controller) == 0; }, 2000),
        "the handles end with the process");
  EndGroup();
}

}  // namespace wt
