// The user-interface toolkit realised with FLTK 1.3 (Linux/X11).
//
// Windows and controls are kept in tables by number and identifier. The
// window's whole inner area is the client area of the seam; a menu bar takes
// its height from the top of it, and controls are placed below the bar.
// Callbacks only queue events; WaitEvent hands them out one at a time and
// blocks in Fl::wait() while the queue is empty. Every FLTK call from another
// thread happens under Fl::lock(), which the user-interface thread holds
// except while it waits.
#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Output.H>

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "ui/layout_metrics.h"
#include "ui/ui.h"
#include "ui/fltk/ui_fltk_access.h"
#include "ui/fltk/ui_fltk_box.h"
#include "ui/fltk/ui_fltk_fonts.h"
#include "ui/fltk/ui_fltk_icon.h"
#include "ui/fltk/ui_fltk_widgets.h"
#include "ui/fltk/ui_fltk_x11.h"

namespace ui {

namespace {

using ui_fltk::GroupFrame;
using ui_fltk::PanelWindow;
using ui_fltk::StaticText;
using ui_fltk::StatusBar;
using ui_fltk::TickSlider;

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

std::atomic<bool> initialised{false};
std::thread::id uiThread;
int dpi = 96;

std::map<int, std::unique_ptr<WindowRec>> windows;
std::map<int, ControlRec> controls;
std::vector<std::unique_ptr<TimerRec>> timers;

std::deque<Event> pending;
int droppingEvents = 0;  // > 0 while the error box is shown

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

// FLTK reads '@' at the start of a label as a symbol; doubled it is literal.
std::string LiteralLabel(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    out += *p;
    if (*p == '@') out += '@';
  }
  return out;
}

void CloseCallback(Fl_Widget*, void* data) {
  // The window callback also runs for Escape; only the close box (the
  // window manager's close request) asks to close.
  if (Fl::event() != FL_CLOSE) return;
  Post(EventKind::Close, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
}

void ControlCallback(Fl_Widget*, void* data) {
  Post(EventKind::Control, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
}

void MenuCallback(Fl_Widget*, void* data) {
  Post(EventKind::Menu, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
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

Fl_Widget* MakeWidget(ControlKind kind, const Rect& r, const char* text, int id) {
  void* data = reinterpret_cast<void*>(static_cast<std::intptr_t>(id));
  switch (kind) {
    case ControlKind::StaticLeft:
    case ControlKind::StaticCenter: {
      auto* w = new StaticText(r.x, r.y, r.w, r.h, kind == ControlKind::StaticCenter);
      w->text(text);
      return w;
    }
    case ControlKind::GroupBox: {
      auto* w = new GroupFrame(r.x, r.y, r.w, r.h);
      w->text(text);
      return w;
    }
    case ControlKind::ReadOnlyEdit: {
      auto* w = new Fl_Output(r.x, r.y, r.w, r.h);
      // A read-only edit has the face colour until it is given a text colour.
      w->color(FL_BACKGROUND_COLOR);
      w->value(text ? text : "");
      return w;
    }
    case ControlKind::Edit:
    case ControlKind::EditUppercase: {
      Fl_Input* w = kind == ControlKind::Edit ? new Fl_Input(r.x, r.y, r.w, r.h)
                                              : new ui_fltk::UppercaseInput(r.x, r.y, r.w, r.h);
      w->value(text ? text : "");
      w->when(FL_WHEN_CHANGED);
      w->callback(ControlCallback, data);
      return w;
    }
    case ControlKind::PushButton: {
      auto* w = new Fl_Button(r.x, r.y, r.w, r.h);
      w->copy_label(LiteralLabel(text).c_str());
      w->callback(ControlCallback, data);
      return w;
    }
    case ControlKind::CheckBox: {
      auto* w = new Fl_Check_Button(r.x, r.y, r.w, r.h);
      w->copy_label(LiteralLabel(text).c_str());
      w->callback(ControlCallback, data);
      return w;
    }
    case ControlKind::Trackbar: {
      auto* w = new TickSlider(r.x, r.y, r.w, r.h);
      // Every step while dragging or by key, and the release.
      w->when(FL_WHEN_CHANGED | FL_WHEN_RELEASE_ALWAYS);
      w->callback(ControlCallback, data);
      return w;
    }
  }
  return nullptr;
}

void SetTextNow(int id, const char* text) {
  ControlRec* rec = FindControl(id);
  if (!rec) return;
  const char* value = text ? text : "";
  switch (rec->kind) {
    case ControlKind::StaticLeft:
    case ControlKind::StaticCenter:
      static_cast<StaticText*>(rec->widget)->text(value);
      break;
    case ControlKind::GroupBox:
      static_cast<GroupFrame*>(rec->widget)->text(value);
      break;
    case ControlKind::ReadOnlyEdit:
    case ControlKind::Edit:
    case ControlKind::EditUppercase:
      static_cast<Fl_Input_*>(rec->widget)->value(value);
      break;
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
      rec->caption = value;
      rec->widget->copy_label(LiteralLabel(value).c_str());
      rec->widget->redraw();
      break;
    case ControlKind::Trackbar:
      break;
  }
}

// Menu table rows to FLTK's flat item list: a sub-menu's items follow its
// opening item and end with an empty item; the list ends with one more.
bool BuildMenuItems(WindowRec& rec, const MenuEntry* entries, int count) {
  rec.menuItems.clear();
  rec.menuCaptions.clear();
  int depth = 0;
  for (int i = 0; i < count; ++i) {
    const MenuEntry& e = entries[i];
    if (e.level < 0 || e.level > depth) return false;
    for (; depth > e.level; --depth) rec.menuItems.push_back(Fl_Menu_Item{});
    rec.menuCaptions.push_back(LiteralLabel(e.caption));
    Fl_Menu_Item item{};
    item.text = rec.menuCaptions.back().c_str();
    if (e.id == 0) {
      item.flags = FL_SUBMENU;
      ++depth;
    } else {
      item.callback_ = MenuCallback;
      item.user_data_ = reinterpret_cast<void*>(static_cast<std::intptr_t>(e.id));
    }
    item.labelfont_ = ui_fltk::DefaultFace();
    item.labelsize_ = static_cast<Fl_Fontsize>(ui_fltk::DefaultSize());
    rec.menuItems.push_back(item);
  }
  for (; depth > 0; --depth) rec.menuItems.push_back(Fl_Menu_Item{});
  rec.menuItems.push_back(Fl_Menu_Item{});
  return true;
}

}  // namespace

void Init() {
  if (initialised.load()) return;
  uiThread = std::this_thread::get_id();
  // From here on this thread holds the lock except while it waits, so other
  // threads may touch widgets between Fl::lock() and Fl::unlock().
  Fl::lock();
  dpi = ui_fltk::DesktopDpi();  // opens the display
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

bool CreateControl(int window, int id, ControlKind kind, Rect rect, const char* text) {
  DestroyControl(id);
  WindowRec* win = FindWindow(window);
  if (!win) return false;
  Fl_Group::current(nullptr);
  Fl_Widget* widget = MakeWidget(kind, rect, text, id);
  if (!widget) return false;
  ControlRec rec;
  rec.window = window;
  rec.kind = kind;
  rec.widget = widget;
  rec.rect = rect;
  rec.caption = text ? text : "";
  // The status bar stays the last child, drawn over anything it overlaps.
  if (win->statusBar) {
    win->window->insert(*widget, win->statusBar);
  } else {
    win->window->add(widget);
  }
  ControlRec& stored = controls[id] = rec;
  Place(stored, win->menuHeight);
  ApplyFontTo(stored, ui_fltk::DefaultFace(), ui_fltk::DefaultSize());
  widget->redraw();
  return true;
}

void DestroyControl(int id) {
  auto it = controls.find(id);
  if (it == controls.end()) return;
  Fl_Widget* widget = it->second.widget;
  controls.erase(it);
  if (Fl_Window* win = widget->window()) win->damage(FL_DAMAGE_ALL, widget->x(), widget->y(), widget->w(), widget->h());
  if (Fl_Group* parent = widget->parent()) parent->remove(widget);
  delete widget;
}

void SetText(int id, const char* text) {
  if (!initialised.load()) return;
  if (std::this_thread::get_id() == uiThread) {
    SetTextNow(id, text);
    return;
  }
  // Another thread: one update at a time under the lock, in the caller's
  // order; then the user-interface thread wakes and repaints.
  Fl::lock();
  if (initialised.load()) SetTextNow(id, text);
  Fl::unlock();
  Fl::awake();
}

std::string GetText(int id) {
  ControlRec* rec = FindControl(id);
  if (!rec) return std::string();
  switch (rec->kind) {
    case ControlKind::StaticLeft:
    case ControlKind::StaticCenter:
      return static_cast<StaticText*>(rec->widget)->text();
    case ControlKind::GroupBox:
      return static_cast<GroupFrame*>(rec->widget)->text();
    case ControlKind::ReadOnlyEdit:
    case ControlKind::Edit:
    case ControlKind::EditUppercase:
      return static_cast<Fl_Input_*>(rec->widget)->value();
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
      return rec->caption;
    case ControlKind::Trackbar:
      break;
  }
  return std::string();
}

Font CreateFont(const char* face, int points) { return ui_fltk::MakeFont(face, points); }

void DeleteFont(Font font) { ui_fltk::ReleaseFont(font); }

void SetFont(int id, Font font) {
  ControlRec* rec = FindControl(id);
  if (!rec) return;
  Fl_Font face;
  int size;
  ui_fltk::ResolveFont(font, face, size);
  ApplyFontTo(*rec, face, size);
}

void SetTextColor(int id, Color color) {
  ControlRec* rec = FindControl(id);
  if (!rec) return;
  const Fl_Color c = fl_rgb_color(static_cast<uchar>(color & 0xff), static_cast<uchar>((color >> 8) & 0xff),
                                  static_cast<uchar>((color >> 16) & 0xff));
  if (IsInput(rec->kind)) {
    static_cast<Fl_Input_*>(rec->widget)->textcolor(c);
    // As on Windows: a read-only edit with its own text colour is painted
    // on the highlight colour (white).
    if (rec->kind == ControlKind::ReadOnlyEdit) rec->widget->color(FL_BACKGROUND2_COLOR);
  } else {
    rec->widget->labelcolor(c);
  }
  rec->widget->redraw();
}

int GetCheck(int id) {
  ControlRec* rec = FindControl(id);
  if (!rec || rec->kind != ControlKind::CheckBox) return 0;
  return static_cast<Fl_Check_Button*>(rec->widget)->value() ? 1 : 0;
}

void SetTrackbarRange(int id, int min, int max) {
  ControlRec* rec = FindControl(id);
  if (!rec || rec->kind != ControlKind::Trackbar) return;
  auto* slider = static_cast<TickSlider*>(rec->widget);
  slider->bounds(min, max);
  slider->value(slider->clamp(slider->value()));
  slider->redraw();
}

void SetTrackbarPos(int id, int position) {
  ControlRec* rec = FindControl(id);
  if (!rec || rec->kind != ControlKind::Trackbar) return;
  auto* slider = static_cast<TickSlider*>(rec->widget);
  slider->value(slider->clamp(position));
  slider->redraw();
}

int GetTrackbarPos(int id) {
  ControlRec* rec = FindControl(id);
  if (!rec || rec->kind != ControlKind::Trackbar) return 0;
  return static_cast<int>(static_cast<TickSlider*>(rec->widget)->value());
}

bool SetMenu(int window, const MenuEntry* entries, int count) {
  WindowRec* rec = FindWindow(window);
  if (!rec || (count > 0 && !entries)) return false;
  if (!BuildMenuItems(*rec, entries, count)) {
    rec->menuItems.clear();
    rec->menuCaptions.clear();
    return false;
  }
  PanelWindow* win = rec->window;
  if (!rec->menuBar) {
    // Windows' menu bar height at the desktop's resolution.
    rec->menuHeight = (20 * dpi + 48) / 96;
    Fl_Group::current(nullptr);
    rec->menuBar = new Fl_Menu_Bar(0, 0, win->w(), rec->menuHeight);
    rec->menuBar->box(FL_FLAT_BOX);
    rec->menuBar->down_box(FL_FLAT_BOX);
    rec->menuBar->textfont(ui_fltk::DefaultFace());
    rec->menuBar->textsize(ui_fltk::DefaultSize());
    win->insert(*rec->menuBar, 0);
    win->menuBar = rec->menuBar;
    // The window keeps its size: the controls already there move below the bar.
    for (auto& entry : controls) {
      if (entry.second.window == window) Place(entry.second, rec->menuHeight);
    }
  }
  rec->menuBar->menu(rec->menuItems.data());
  win->redraw();
  return true;
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
  ui::WindowRec* rec = ui::FindWindow(number);
  return rec ? rec->window : nullptr;
}

Fl_Widget* ControlOf(int id) {
  ui::ControlRec* rec = ui::FindControl(id);
  return rec ? rec->widget : nullptr;
}

Fl_Menu_Bar* MenuBarOf(int number) {
  ui::WindowRec* rec = ui::FindWindow(number);
  return rec ? rec->menuBar : nullptr;
}

Fl_Widget* StatusBarOf(int number) {
  ui::WindowRec* rec = ui::FindWindow(number);
  return rec ? rec->statusBar : nullptr;
}

unsigned long XidOf(int number) {
  ui::WindowRec* rec = ui::FindWindow(number);
  return rec ? WindowXid(rec->window) : 0;
}

int PendingEventCount() { return static_cast<int>(ui::pending.size()); }

void DiscardPendingEvents() { ui::pending.clear(); }

}  // namespace ui_fltk
