// The FLTK toolkit's control texts: set from any thread (the reader sets the
// value fields), read on the user-interface thread.
#include <FL/Fl_Input_.H>

#include "ui/fltk/ui_fltk_tables.h"

namespace ui {

using namespace fltk;
using ui_fltk::GroupFrame;
using ui_fltk::StaticText;

namespace fltk {

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

}  // namespace fltk

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

}  // namespace ui
