// The user-interface toolkit as the program sees it: windows by number,
// controls by identifier, a menu from a table, fonts by face and size, text
// colours, one status bar per window, timers, one error box and the event
// wait. Realised by ui_win32.cpp (Windows), ui_fltk.cpp (Linux) and a
// headless recording toolkit for tests. All texts are UTF-8.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

enum class EventKind { None, Control, Menu, Timer, Close };

struct Event {
  EventKind kind = EventKind::None;
  // Control: the control identifier; Menu: the menu item identifier;
  // Timer: the timer identifier; Close: the window number.
  int id = 0;
};

enum class WindowStyle {
  Main,   // title bar, system menu, sizing border, minimise box; no maximise box
  Fixed,  // title bar and system menu (close box) only; fixed size
};

enum class ControlKind {
  StaticLeft,     // left-aligned static text
  StaticCenter,   // centred, word-wrapped static text
  ReadOnlyEdit,   // single-line, read-only, sunken, tab stop
  Edit,           // single-line, editable, sunken, tab stop
  EditUppercase,  // as Edit, typed letters turned to capitals
  GroupBox,       // frame with a caption
  PushButton,     // tab stop; never a default button
  CheckBox,       // two states, toggles itself when clicked, tab stop
  Trackbar,       // horizontal slider with a tick per position, tab stop
};

struct Rect {
  int x, y, w, h;
};

// 0x00BBGGRR, as Windows' COLORREF.
using Color = std::uint32_t;
constexpr Color Rgb(int r, int g, int b) {
  return static_cast<Color>(r) | static_cast<Color>(g) << 8 | static_cast<Color>(b) << 16;
}

// A created font; 0 = none (the control is then drawn in the system font).
using Font = std::intptr_t;

// One row of a menu table, in creation order. level 0 is a title of the menu
// bar, level 1 an entry of that title's menu, and so on. A row with id 0
// opens a sub-menu holding the following rows of the next level; a row with
// an id is a plain command item.
struct MenuEntry {
  int level;
  const char* caption;
  int id;
};

void Init();
void Shutdown();  // destroys every window that still exists

// Creates and shows (normal state, activated) a top-level window with no
// owner; an existing window under the same number is destroyed first with
// its controls. (x, y) is the outer top-left corner; the client area is
// clientWidth x clientHeight without a menu bar.
bool CreateWindow(int number, const char* title, WindowStyle style, int x, int y,
                  int clientWidth, int clientHeight);
void HideWindow(int number);
void DestroyWindow(int number);

// Creates a child control of window `number` under a program-wide unique
// identifier (an existing control with that identifier is destroyed first).
// Every control starts with the default GUI font and the default colours.
bool CreateControl(int window, int id, ControlKind kind, Rect rect, const char* text);
void DestroyControl(int id);

// From any thread; an identifier without a control is skipped.
void SetText(int id, const char* text);
std::string GetText(int id);

Font CreateFont(const char* face, int points);
void DeleteFont(Font font);
void SetFont(int id, Font font);
void SetTextColor(int id, Color color);

int GetCheck(int id);  // 1 = checked, 0 = not
void SetTrackbarRange(int id, int min, int max);
void SetTrackbarPos(int id, int position);  // clamped to the range
int GetTrackbarPos(int id);

// Builds the menu bar of a window from a table and attaches it; the window
// keeps its outer size (the bar takes its height from the client area).
bool SetMenu(int window, const MenuEntry* entries, int count);

// The window's status bar with two equal, centred fields. Created once and
// kept for the window's life; a resize re-splits the fields.
void EnsureStatusBar(int window, int minHeight);
void SetStatusText(int window, int field, const char* text);

// Timer `id` of window `number`: a Timer event every periodMs.
void StartTimer(int window, int id, int periodMs);

// Modal error box with an OK button. Owned by the foreground window when it
// is one of ours; the thread's other enabled top-level windows are disabled
// while it is shown. Events produced meanwhile are dropped, not queued.
void ShowErrorBox(const char* text, const char* caption);

// Blocks until the next message of the user-interface thread has been handled
// and returns the event it produced (kind None for any other message).
Event WaitEvent();

}  // namespace ui
