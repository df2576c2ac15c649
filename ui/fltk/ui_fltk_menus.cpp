// The FLTK toolkit's menus: the program's menu table as a menu bar at the top
// of the window, with the controls moved below it.
#include <FL/Fl_Menu_Bar.H>

#include "ui/fltk/ui_fltk_fonts.h"
#include "ui/fltk/ui_fltk_tables.h"

namespace ui {

using namespace fltk;

namespace {

void MenuCallback(Fl_Widget*, void* data) {
  Post(EventKind::Menu, static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
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

}  // namespace ui
