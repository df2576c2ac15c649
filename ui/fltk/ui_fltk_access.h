// The FLTK objects behind window numbers and control identifiers, for the
// tests of the FLTK toolkit itself (the program never needs them).
#pragma once

class Fl_Widget;
class Fl_Window;
class Fl_Menu_Bar;

namespace ui_fltk {

Fl_Window* WindowOf(int number);    // nullptr when there is none
Fl_Widget* ControlOf(int id);       // nullptr when there is none
Fl_Menu_Bar* MenuBarOf(int number); // nullptr when the window has no menu
Fl_Widget* StatusBarOf(int number); // nullptr when the window has none
unsigned long XidOf(int number);    // the X window, 0 when not shown

// Events produced and not yet taken by ui::WaitEvent.
int PendingEventCount();
void DiscardPendingEvents();

}  // namespace ui_fltk
