// The user-interface toolkit realised with FLTK 1.3 (Linux/X11): start and
// end, windows, the status bar, timers and the event queue.
//
// Windows and controls are kept in tables by number and identifier
// (ui_fltk_tables.h). The window's whole inner area is the client area of
// the seam; a menu bar takes its height from the top of it, and controls are
// placed below the bar (ui_fltk_menus.cpp). Callbacks only queue events;
// WaitEvent hands them out one at a time and blocks in Fl::wait() while the
// queue is empty. Every FLTK call from another thread happens under
// Fl::lock(), which the user-interface thread holds except while it waits
// (ui_fltk_text.cpp).
#include <algorithm>

#include "ui/fltk/ui_fltk_access.h"
#include "ui/fltk/ui_fltk_box.h"
#include "ui/fltk/ui_fltk_fonts.h"
#include "ui/fltk/ui_fltk_icon.h"
#include "ui/fltk/ui_fltk_tables.h"
#include "ui/fltk/ui_fltk_x11.h"

namespace ui {
namespace fltk {

std::atomic<bool> initialised{false};
std::thread::id uiThread;
int dpi = 96;

std::map<int, std::unique_ptr<WindowRec>> windows;
std::map<int, ControlRec> controls;

namespace {

std::vector<std::unique_ptr<TimerRec>> timers;
std::deque<Event> pending;
int droppingEvents = 0;  // > 0 while the error box is shown

void CloseCallback(Fl_Widget*, void* data) {
  // The window callback also runs for Escape; only the close box (the
  // window manager's close request) asks to close.
  if (Fl::event() != FL_CLOSE) return;
  Post(EventKind::Close, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
}

void TimerCallback(void* data) {
  auto* timer = static_cast<TimerRec*>(data);
  Post(EventKind::Timer, timer->id);
  Fl::repeat_timeout(timer->period, TimerCallback, data);
}

void StopTimers(int window, int id, bool allOfWindow) {
  for (auto it = timers.begin(); it != timers.end();) {
    if ((*it)->window == window && (allOfWindow || (*it)->id == id)) {
      Fl::remove_timeout(TimerCallback, it->get());
      it = timers.erase(it);
    } else {
      ++it;
    }
  }
}

void ForgetControlsOf(int window) {
  for (auto it = controls.begin(); it != controls.end();) {
    it = it->second.window == window ? controls.erase(it) : std::next(it);
  }
}

}  // namespace

void Post(EventKind kind, int id) {
  if (droppingEvents > 0) return;
  if (kind == EventKind::Timer) {
    // Like the Windows timer message: one tick waits at most once.
    for (const Event& e : pending) {
      if (e.kind == kind && e.id == id) return;
    }
  }
  pending.push_back(Event{kind, id});
}

WindowRec* FindWindow(int number) {
  auto it = windows.find(number);
  return it == windows.end() ? nullptr : it->second.get();
}

ControlRec* FindControl(int id) {
  auto it = controls.find(id);
  return it == controls.end() ? nullptr : &it->second;
}

bool IsInput(ControlKind kind) {
  return kind == ControlKind::ReadOnlyEdit || kind == ControlKind::Edit || kind == ControlKind::EditUppercase;
}

std::string LiteralLabel(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    out += *p;
    if (*p == '@') out += '@';
  }
  return out;
}

void Place(ControlRec& rec, int menuHeight) {
  rec.widget->resize(rec.rect.x, rec.rect.y + menuHeight, rec.rect.w, rec.rect.h);
}

void ApplyFontTo(ControlRec& rec, Fl_Font face, int size) {
  if (IsInput(rec.kind)) {
    auto* input = static_cast<Fl_Input_*>(rec.widget);
    input->textfont(face);
    input->textsize(size);
  } else {
    rec.widget->labelfont(face);
    rec.widget->labelsize(size);
  }
  rec.widget->redraw();
  if (Fl_Window* win = rec.widget->window()) win->damage(FL_DAMAGE_ALL, rec.widget->x(), rec.widget->y(),
                                                          rec.widget->w(), rec.widget->h());
}

}  // namespace fltk

using namespace fltk;

void Init() {
  if (initialised.load()) return;
  ui_fltk::RequireDisplay();
  uiThread = std::this_thread::get_id();
  // From here on this thread holds the lock except while it waits, so other
  // threads may touch widgets between Fl::lock() and Fl::unlock().
  Fl::lock();
  dpi = ui_fltk::DesktopDpi();
  Fl::scheme("gtk+");
  Fl::background(240, 240, 240);
  Fl::background2(255, 255, 255);
  Fl::foreground(0, 0, 0);
  Fl::visible_focus(1);
  ui_fltk::InitFonts(dpi);
  ui_fltk::SetProgramIcon();
  initialised.store(true);
}

void Shutdown() {
  if (!initialised.load()) return;
  while (!windows.empty()) DestroyWindow(windows.begin()->first);
  pending.clear();
  initialised.store(false);
}

bool CreateWindow(int number, const char* title, WindowStyle style, int x, int y, int clientWidth,
                  int clientHeight) {
  DestroyWindow(number);
  auto rec = std::make_unique<WindowRec>();
  rec->number = number;
  rec->style = style;
  rec->window = new PanelWindow(clientWidth, clientHeight, title ? title : "");
  PanelWindow* win = rec->window;
  win->position(x, y);
  win->callback(CloseCallback, reinterpret_cast<void*>(static_cast<std::intptr_t>(number)));
  win->xclass("swrpanel");
  if (style == WindowStyle::Main) {
    win->size_range(1, 1);
  } else {
    win->size_range(clientWidth, clientHeight, clientWidth, clientHeight);
  }
  windows[number] = std::move(rec);
  win->show();
  ui_fltk::SetFrameFunctions(win, style == WindowStyle::Main);
  return true;
}

void HideWindow(int number) {
  if (WindowRec* rec = FindWindow(number)) rec->window->hide();
}

void DestroyWindow(int number) {
  auto it = windows.find(number);
  if (it == windows.end()) return;
  StopTimers(number, 0, true);
  ForgetControlsOf(number);
  std::unique_ptr<WindowRec> rec = std::move(it->second);
  windows.erase(it);
  rec->window->hide();
  delete rec->window;  // with every child
}

void EnsureStatusBar(int window, int minHeight) {
  WindowRec* rec = FindWindow(window);
  if (!rec || rec->statusBar) return;
  PanelWindow* win = rec->window;
  // The minimum height of the drawing area plus the bar's borders, and at
  // least the height of its text.
  const int height = std::max(minHeight, ui_fltk::LineHeight(ui_fltk::DefaultFace(), ui_fltk::DefaultSize()) + 2) + 4;
  Fl_Group::current(nullptr);
  rec->statusBar = new StatusBar(0, win->h() - height, win->w(), height, rec->style == WindowStyle::Main);
  rec->statusBar->labelfont(ui_fltk::DefaultFace());
  rec->statusBar->labelsize(ui_fltk::DefaultSize());
  win->add(rec->statusBar);
  win->statusBar = rec->statusBar;
  rec->statusBar->redraw();
}

void SetStatusText(int window, int field, const char* text) {
  WindowRec* rec = FindWindow(window);
  if (rec && rec->statusBar) rec->statusBar->text(field, text);
}

void StartTimer(int window, int id, int periodMs) {
  if (!FindWindow(window)) return;
  StopTimers(window, id, false);
  auto timer = std::make_unique<TimerRec>();
  timer->window = window;
  timer->id = id;
  timer->period = std::max(periodMs, 1) / 1000.0;
  Fl::add_timeout(timer->period, TimerCallback, timer.get());
  timers.push_back(std::move(timer));
}

void ShowErrorBox(const char* text, const char* caption) {
  ++droppingEvents;
  ui_fltk::RunErrorBox(text ? text : "", caption ? caption : "", ui_fltk::DefaultFace(), ui_fltk::DefaultSize());
  --droppingEvents;
}

Event WaitEvent() {
  // FLTK treats 1e20 seconds as no time-out; unlike Fl::wait() this also
  // blocks while no window is shown.
  while (pending.empty()) Fl::wait(1e20);
  const Event event = pending.front();
  pending.pop_front();
  return event;
}

}  // namespace ui

namespace ui_fltk {

Fl_Window* WindowOf(int number) {
  ui::fltk::WindowRec* rec = ui::fltk::FindWindow(number);
  return rec ? rec->window : nullptr;
}

Fl_Widget* ControlOf(int id) {
  ui::fltk::ControlRec* rec = ui::fltk::FindControl(id);
  return rec ? rec->widget : nullptr;
}

Fl_Menu_Bar* MenuBarOf(int number) {
  ui::fltk::WindowRec* rec = ui::fltk::FindWindow(number);
  return rec ? rec->menuBar : nullptr;
}

Fl_Widget* StatusBarOf(int number) {
  ui::fltk::WindowRec* rec = ui::fltk::FindWindow(number);
  return rec ? rec->statusBar : nullptr;
}

unsigned long XidOf(int number) {
  ui::fltk::WindowRec* rec = ui::fltk::FindWindow(number);
  return rec ? WindowXid(rec->window) : 0;
}

int PendingEventCount() { return static_cast<int>(ui::fltk::pending.size()); }

void DiscardPendingEvents() { ui::fltk::pending.clear(); }

}  // namespace ui_fltk
