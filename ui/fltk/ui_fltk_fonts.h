// Fonts by face and point size for the FLTK toolkit. Windows faces resolve to
// their metric-compatible stand-ins where absent ("Times New Roman" to
// Liberation Serif), so texts take the room they take on Windows.
#pragma once

#include <FL/Enumerations.H>

#include "ui/ui.h"

namespace ui_fltk {

// Called once by ui::Init with the desktop's dots per inch.
void InitFonts(int dpi);

// The default GUI font every control starts with (8 points, sans serif).
Fl_Font DefaultFace();
int DefaultSize();

ui::Font MakeFont(const char* face, int points);
void ReleaseFont(ui::Font font);
// Face and pixel size of a font; font 0 gives the system font (bold).
void ResolveFont(ui::Font font, Fl_Font& face, int& size);

// The height of a line of text in that face and size.
int LineHeight(Fl_Font face, int size);

}  // namespace ui_fltk
