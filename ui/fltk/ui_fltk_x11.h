// The few X11 matters FLTK leaves open: whether there is a display at all,
// the desktop's font resolution and which buttons the window manager gives a top-level window.
#pragma once

class Fl_Window;

namespace ui_fltk {

// Ends the program with one line on standard error and exit status 1 when
// no X display can be opened, instead of FLTK's bare "Can't open display",
// and names the way to try the meter without a display; otherwise FLTK
// keeps the connection that was opened.
void RequireDisplay();

// Dots per inch for point sizes: the desktop's Xft.dpi setting, 96 without it.
int DesktopDpi();

// Asks the window manager for the frame of a just-shown window: title bar,
// system menu and close box always; a sizing border and a minimise box when
// `sizeable`; never a maximise box; and the frame's outer corner at the
// position the window was given.
void SetFrameFunctions(Fl_Window* window, bool sizeable);

// The X window of a shown window, 0 otherwise.
unsigned long WindowXid(Fl_Window* window);

}  // namespace ui_fltk
