// The FLTK toolkit's controls: creating each kind of control as its widget,
// destroying it, fonts, text colours, the check box and the trackbar.
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Output.H>

#include "ui/fltk/ui_fltk_fonts.h"
#include "ui/fltk/ui_fltk_tables.h"

namespace ui {

using namespace fltk;
using ui_fltk::GroupFrame;
using ui_fltk::StaticText;
using ui_fltk::TickSlider;

namespace {

void ControlCallback(Fl_Widget*, void* data) {
  Post(EventKind::Control, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
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

}  // namespace

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

}  // namespace ui
