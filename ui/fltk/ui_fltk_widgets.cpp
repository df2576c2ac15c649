// The FLTK widgets behind the toolkit seam's controls and the top-level
// window; see ui_fltk_widgets.h.
#include "ui/fltk/ui_fltk_widgets.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/fl_utf8.h>

#include <cstring>
#include <vector>

#include "ui/layout_metrics.h"

namespace ui_fltk {

namespace {

// Repaints the window under a control (and so every control overlapping it,
// in creation order) instead of the control alone: static texts and frames
// lie under other controls and must not paint over them.
void RedrawArea(Fl_Widget* w) {
  if (Fl_Window* win = w->window()) win->damage(FL_DAMAGE_ALL, w->x(), w->y(), w->w(), w->h());
}

}  // namespace

PanelWindow::PanelWindow(int w, int h, const char* title) : Fl_Double_Window(w, h) {
  copy_label(title);
  // No child follows the window's size (a group scales its children when it
  // has a resizable widget, itself by default).
  resizable(nullptr);
  end();
}

int PanelWindow::handle(int event) {
  if (event == FL_KEYBOARD) {
    switch (Fl::event_key()) {
      case FL_Left:
      case FL_Right:
      case FL_Up:
      case FL_Down:
        // Arrow keys that the focused control did not use move no focus:
        // only Tab and Shift+Tab do.
        return 1;
      default:
        break;
    }
  }
  return Fl_Double_Window::handle(event);
}

void PanelWindow::resize(int x, int y, int w, int h) {
  Fl_Double_Window::resize(x, y, w, h);
  if (menuBar) menuBar->resize(0, 0, w, menuBar->h());
  if (statusBar) statusBar->resize(0, h - statusBar->h(), w, statusBar->h());
}

StaticText::StaticText(int x, int y, int w, int h, bool centred)
    : Fl_Widget(x, y, w, h), centred_(centred) {
  box(FL_NO_BOX);
}

void StaticText::text(const char* value) {
  text_ = value ? value : "";
  RedrawArea(this);
}

void StaticText::draw() {
  // The window has painted the background already.
  fl_push_clip(x(), y(), w(), h());
  fl_font(labelfont(), labelsize());
  fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
  const Fl_Align align = FL_ALIGN_TOP | FL_ALIGN_INSIDE | FL_ALIGN_WRAP | (centred_ ? 0 : FL_ALIGN_LEFT);
  fl_draw(text_.c_str(), x(), y(), w(), h(), align, nullptr, 0);
  fl_pop_clip();
}

GroupFrame::GroupFrame(int x, int y, int w, int h) : Fl_Widget(x, y, w, h) { box(FL_NO_BOX); }

void GroupFrame::text(const char* value) {
  text_ = value ? value : "";
  RedrawArea(this);
}

void GroupFrame::draw() {
  // Only the frame and the caption are painted: the controls inside the
  // frame are siblings drawn after it.
  fl_font(labelfont(), labelsize());
  const int textHeight = fl_height();
  const int top = y() + textHeight / 2;
  fl_draw_box(FL_ENGRAVED_FRAME, x(), top, w(), h() - (top - y()), color());
  if (!text_.empty()) {
    const int textWidth = static_cast<int>(fl_width(text_.c_str())) + 4;
    const int left = x() + 6;
    const int width = textWidth < w() - 12 ? textWidth : w() - 12;
    fl_color(color());
    fl_rectf(left, y(), width, textHeight);
    fl_push_clip(left, y(), width, textHeight);
    fl_color(labelcolor());
    fl_draw(text_.c_str(), left + 2, y(), width - 2, textHeight, FL_ALIGN_LEFT | FL_ALIGN_INSIDE, nullptr, 0);
    fl_pop_clip();
  }
}

TickSlider::TickSlider(int x, int y, int w, int h) : Fl_Slider(FL_HOR_NICE_SLIDER, x, y, w, h, nullptr) {
  box(FL_FLAT_BOX);
  step(1);
  bounds(0, 100);  // the default range of a new trackbar
  value(0);
  slider_size(0.04);
}

int TickSlider::TrackHeight() const { return h() > 12 ? h() - 6 : h(); }

int TickSlider::handle(int event) {
  if (event == FL_PUSH && Fl::visible_focus()) {
    Fl::focus(this);
    redraw();
  }
  if (event == FL_KEYBOARD && Fl::focus() == this) {
    // The trackbar's keys beyond the slider's own Left and Right: Up and
    // Down step too, Page Up and Page Down by a fifth of the range, Home
    // and End to the ends.
    const double low = minimum() < maximum() ? minimum() : maximum();
    const double high = minimum() < maximum() ? maximum() : minimum();
    const double page = (high - low) / 5 >= 1 ? static_cast<int>((high - low) / 5) : 1;
    double target;
    switch (Fl::event_key()) {
      case FL_Up: target = value() - 1; break;
      case FL_Down: target = value() + 1; break;
      case FL_Page_Up: target = value() - page; break;
      case FL_Page_Down: target = value() + page; break;
      case FL_Home: target = low; break;
      case FL_End: target = high; break;
      default: return Fl_Slider::handle(event, x(), y(), w(), TrackHeight());
    }
    handle_drag(clamp(target));
    return 1;
  }
  return Fl_Slider::handle(event, x(), y(), w(), TrackHeight());
}

void TickSlider::draw() {
  if (damage() & FL_DAMAGE_ALL) draw_box();
  const int track = TrackHeight();
  Fl_Slider::draw(x(), y(), w(), track);
  if (track == h()) return;

  // The same thumb width as the slider's own drawing, so each tick sits under
  // the thumb's centre at that position.
  int thumb = static_cast<int>(slider_size() * w() + .5);
  const int least = track / 2 + 1 + 4;
  if (thumb < least) thumb = least;
  const int low = static_cast<int>(minimum() < maximum() ? minimum() : maximum());
  const int high = static_cast<int>(minimum() < maximum() ? maximum() : minimum());
  fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
  int lastX = -1;
  for (int p = low; p <= high; ++p) {
    const double fraction = high == low ? 0.5 : static_cast<double>(p - low) / (high - low);
    const int tickX = x() + static_cast<int>(fraction * (w() - thumb) + .5) + thumb / 2;
    if (tickX == lastX) continue;
    lastX = tickX;
    fl_yxline(tickX, y() + track + 1, y() + h() - 2);
  }
}

UppercaseInput::UppercaseInput(int x, int y, int w, int h) : Fl_Input(x, y, w, h) {}

int UppercaseInput::handle(int event) {
  const int used = Fl_Input::handle(event);
  if (used && (event == FL_KEYBOARD || event == FL_PASTE)) {
    const int length = size();
    std::vector<char> upper(static_cast<size_t>(length) * 4 + 4);
    const int upperLength =
        fl_utf_toupper(reinterpret_cast<const unsigned char*>(value()), length, upper.data());
    if (upperLength != length || std::memcmp(upper.data(), value(), static_cast<size_t>(length)) != 0) {
      const int cursor = position();
      const int selection = mark();
      value(upper.data(), upperLength);
      if (upperLength == length) {
        position(cursor, selection);
      } else {
        position(upperLength);
      }
    }
  }
  return used;
}

StatusBar::StatusBar(int x, int y, int w, int h, bool grip) : Fl_Widget(x, y, w, h), grip_(grip) {
  box(FL_FLAT_BOX);
}

void StatusBar::text(int field, const char* value) {
  if (field < 0 || field > 1) return;
  // The texts are centred by the bar itself; a leading TAB (the Windows
  // status bar's centring mark) is not shown.
  const char* start = value ? value : "";
  while (*start == '\t') ++start;
  if (texts_[field] == start) return;
  texts_[field] = start;
  redraw();
}

void StatusBar::draw() {
  draw_box();
  fl_font(labelfont(), labelsize());
  const int fieldWidth = ui::StatusFieldWidth(w(), h());
  for (int i = 0; i < 2; ++i) {
    const int left = x() + i * fieldWidth;
    if (fieldWidth <= 2) break;
    fl_draw_box(FL_THIN_DOWN_FRAME, left, y() + 2, fieldWidth - 2, h() - 2, color());
    fl_push_clip(left + 2, y() + 3, fieldWidth - 6, h() - 4);
    fl_color(labelcolor());
    fl_draw(texts_[i].c_str(), left + 2, y() + 3, fieldWidth - 6, h() - 4, FL_ALIGN_CENTER | FL_ALIGN_INSIDE,
            nullptr, 0);
    fl_pop_clip();
  }
  if (grip_) {
    // Three pairs of diagonal lines in the bottom-right corner.
    const int right = x() + w() - 2;
    const int bottom = y() + h() - 2;
    for (int step = 4; step <= 12; step += 4) {
      fl_color(FL_WHITE);
      fl_line(right - step + 1, bottom, right, bottom - step + 1);
      fl_color(FL_DARK3);
      fl_line(right - step + 2, bottom, right, bottom - step + 2);
    }
  }
}

}  // namespace ui_fltk
