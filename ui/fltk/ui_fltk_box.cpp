// The FLTK toolkit's modal error box: the error mark widget, the text, the OK
// button; see ui_fltk_box.h.
#include "ui/fltk/ui_fltk_box.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "ui/fltk/ui_fltk_widgets.h"

namespace ui_fltk {

namespace {

// A white cross on a red disc.
class ErrorMark : public Fl_Widget {
 public:
  ErrorMark(int x, int y, int size) : Fl_Widget(x, y, size, size) {}
  void draw() override {
    fl_color(fl_rgb_color(232, 17, 35));
    fl_pie(x(), y(), w(), h(), 0, 360);
    fl_color(FL_WHITE);
    fl_line_style(FL_SOLID, 3);
    const int inset = w() * 3 / 10;
    fl_line(x() + inset, y() + inset, x() + w() - inset, y() + h() - inset);
    fl_line(x() + w() - inset, y() + inset, x() + inset, y() + h() - inset);
    fl_line_style(0);
  }
};

void HideBox(Fl_Widget* button, void*) { button->window()->hide(); }

}  // namespace

void RunErrorBox(const char* text, const char* caption, Fl_Font face, int size) {
  constexpr int kPad = 12, kMark = 32, kButtonW = 75, kButtonH = 23, kMaxTextW = 400;
  const int textSize = size + 1;  // the message font is a point larger than the controls'
  fl_font(face, textSize);
  int textW = kMaxTextW, textH = 0;
  fl_measure(text, textW, textH, 0);
  textW = std::max(textW, 120);
  const int bodyH = std::max(kMark, textH);
  const int W = kPad + kMark + kPad + textW + kPad;
  const int H = kPad + bodyH + kPad + kButtonH + kPad;

  Fl_Group::current(nullptr);
  Fl_Double_Window box(W, H);
  box.copy_label(caption);
  box.xclass("swrpanel");
  auto* mark = new ErrorMark(kPad, kPad, kMark);
  auto* message = new StaticText(kPad + kMark + kPad, kPad + (bodyH - textH) / 2, textW, textH, false);
  message->labelfont(face);
  message->labelsize(textSize);
  message->text(text);
  auto* ok = new Fl_Button(W - kPad - kButtonW, H - kPad - kButtonH, kButtonW, kButtonH, "OK");
  ok->labelfont(face);
  ok->labelsize(size);
  ok->shortcut(FL_Enter);
  ok->callback(HideBox);
  box.add(mark);
  box.add(message);
  box.add(ok);
  box.end();

  Fl_Window* owner = Fl::focus() ? Fl::focus()->top_window() : Fl::first_window();
  if (owner) box.position(owner->x() + (owner->w() - W) / 2, owner->y() + (owner->h() - H) / 2);
  box.set_modal();
  box.show();
  ok->take_focus();
  while (box.shown()) Fl::wait();
}

}  // namespace ui_fltk
