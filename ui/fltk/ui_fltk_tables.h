// The tables behind the FLTK toolkit's windows, controls and timers, shared
// by its source files; the user-interface thread owns them (other threads
// reach them only under Fl::lock()).
#pragma once

#include <FL/Fl.H>
#include <FL/Fl_Menu_Bar.H>

#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/fltk/ui_fltk_widgets.h"
#include "ui/ui.h"

namespace ui {
namespace fltk {

using ui_fltk::PanelWindow;
using ui_fltk::StatusBar;

struct TimerRec {
  int window;
  int id;
  double period;
};

struct WindowRec {
  int number = 0;
  WindowStyle style = WindowStyle::Main;
  PanelWindow* window = nullptr;
  Fl_Menu_Bar* menuBar = nullptr;
  StatusBar* statusBar = nullptr;
  int menuHeight = 0;
  // The menu's items and captions; FLTK points into them.
  std::vector<Fl_Menu_Item> menuItems;
  std::deque<std::string> menuCaptions;
};

struct ControlRec {
  int window = 0;
  ControlKind kind = ControlKind::StaticLeft;
  Fl_Widget* widget = nullptr;
  Rect rect{};
  std::string caption;  // buttons and check boxes: the text as given
};

extern std::atomic<bool> initialised;
extern std::thread::id uiThread;
extern int dpi;

extern std::map<int, std::unique_ptr<WindowRec>> windows;
extern std::map<int, ControlRec> controls;

// Queues an event for WaitEvent; dropped while the error box is shown.
void Post(EventKind kind, int id);
WindowRec* FindWindow(int number);
ControlRec* FindControl(int id);
bool IsInput(ControlKind kind);
// FLTK reads '@' at the start of a label as a symbol; doubled it is literal.
std::string LiteralLabel(const char* text);
// Puts a control at its place below the window's menu bar.
void Place(ControlRec& rec, int menuHeight);
void ApplyFontTo(ControlRec& rec, Fl_Font face, int size);
// Sets a control's text on the user-interface thread (or under the lock).
void SetTextNow(int id, const char* text);

}  // namespace fltk
}  // namespace ui
