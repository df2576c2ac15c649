// The program's icon from the committed XPM, set as every FLTK window's icon.
#include "ui/fltk/ui_fltk_icon.h"

#include <FL/Fl_Image.H>
#include <FL/Fl_Pixmap.H>
#include <FL/Fl_Window.H>

#include "packaging/swrpanel_icon.xpm"

namespace ui_fltk {

void SetProgramIcon() {
  static Fl_Pixmap pixmap(swrpanel_icon_xpm);
  static Fl_RGB_Image image(&pixmap, FL_BACKGROUND_COLOR);
  Fl_Window::default_icon(&image);
}

}  // namespace ui_fltk
