// The display check, the desktop's font resolution and the frame functions
// (resize, minimise, close) asked of the window manager; see ui_fltk_x11.h.
#include "ui/fltk/ui_fltk_x11.h"

#include <FL/Fl_Window.H>
#include <FL/x.H>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ui_fltk {

namespace {

// _MOTIF_WM_HINTS, the frame request every X window manager understands.
constexpr long kHintFunctions = 1, kHintDecorations = 2;
constexpr long kFuncResize = 2, kFuncMove = 4, kFuncMinimize = 8, kFuncClose = 32;
constexpr long kDecorBorder = 2, kDecorResize = 4, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32;

}  // namespace

void RequireDisplay() {
  const char* name = std::getenv("DISPLAY");
  if (name != nullptr && *name != '\0') {
    // The connection that proved the display is the one FLTK goes on with:
    // closing it and opening another would make a server with no other
    // client (a bare Xvfb, a headless station) reset in between and refuse
    // the second.
    if (Display* display = XOpenDisplay(name)) {
      fl_open_display(display);
      return;
    }
  }
  const std::string why = name == nullptr || *name == '\0'
                              ? "no display (DISPLAY is not set)"
                              : "cannot open the display '" + std::string(name) + "'";
  std::fprintf(stderr,
               "swrpanel: %s; without one, try the meter in a browser: run swrctl-demo serve "
               "and open http://127.0.0.1:8537/\n",
               why.c_str());
  std::exit(1);
}

int DesktopDpi() {
  fl_open_display();
  if (const char* value = XGetDefault(fl_display, "Xft", "dpi")) {
    const double dpi = std::strtod(value, nullptr);
    if (dpi >= 48 && dpi <= 480) return static_cast<int>(dpi + 0.5);
  }
  return 96;
}

void SetFrameFunctions(Fl_Window* window, bool sizeable) {
  if (!window->shown()) return;
  long hints[5] = {kHintFunctions | kHintDecorations, kFuncMove | kFuncClose,
                   kDecorBorder | kDecorTitle | kDecorMenu, 0, 0};
  if (sizeable) {
    hints[1] |= kFuncResize | kFuncMinimize;
    hints[2] |= kDecorResize | kDecorMinimize;
  }
  const Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, fl_xid(window), atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(hints), 5);

  // FLTK asks for static gravity: the requested position is the client
  // area's. The program means the frame's outer corner, which is north-west
  // gravity. Sent right behind the map request, so the window manager reads
  // it when it places the window.
  XSizeHints sizeHints{};
  long supplied = 0;
  if (XGetWMNormalHints(fl_display, fl_xid(window), &sizeHints, &supplied)) {
    sizeHints.flags |= PWinGravity;
    sizeHints.win_gravity = NorthWestGravity;
    XSetWMNormalHints(fl_display, fl_xid(window), &sizeHints);
  }
}

unsigned long WindowXid(Fl_Window* window) {
  return window && window->shown() ? static_cast<unsigned long>(fl_xid(window)) : 0;
}

}  // namespace ui_fltk
