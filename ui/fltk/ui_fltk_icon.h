// The window icon of every FLTK window of the program: the meter face drawn
// by res/make_icon.py.
#pragma once

namespace ui_fltk {
void SetProgramIcon();
}
