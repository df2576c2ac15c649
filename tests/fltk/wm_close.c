/* Asks a top-level window to close as a window manager's close box does:
 * sends it the WM_DELETE_WINDOW client message. Plain Xvfb has no window
 * manager to do it.
 *
 * usage: wm_close WINDOW_ID   (decimal or 0x hexadecimal) */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  Display* display;
  XEvent event;
  Window window;
  if (argc != 2) {
    fprintf(stderr, "usage: wm_close WINDOW_ID\n");
    return 2;
  }
  window = (Window)strtoul(argv[1], NULL, 0);
  display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "wm_close: cannot open the display\n");
    return 1;
  }
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}
