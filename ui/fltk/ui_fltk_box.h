// The modal error box of the FLTK toolkit: a red error mark, the text, an OK
// button and the caption as its title.
#pragma once

#include <FL/Enumerations.H>

namespace ui_fltk {

// Shows the box over the active window and returns when it is dismissed (OK,
// Enter, Escape or its close box); the other windows take no input meanwhile.
void RunErrorBox(const char* text, const char* caption, Fl_Font face, int size);

}  // namespace ui_fltk
