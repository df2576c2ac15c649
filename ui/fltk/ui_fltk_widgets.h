// FLTK widgets that give the controls of the toolkit seam the behaviour the
// program expects of them: static texts drawn literally and word-wrapped, a
// frame with a caption, a slider with a tick per position, an edit that turns
// typed letters into capitals, a two-field status bar, and a top-level window
// whose close box only reports, where Escape does nothing and resizing moves
// no control.
#pragma once

#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Slider.H>
#include <FL/Fl_Widget.H>

#include <string>

namespace ui_fltk {

class PanelWindow : public Fl_Double_Window {
 public:
  PanelWindow(int w, int h, const char* title);
  int handle(int event) override;
  // The window's own size changes; its controls stay where they are, only
  // the menu bar (top) and the status bar (bottom) follow the width.
  void resize(int x, int y, int w, int h) override;

  Fl_Widget* menuBar = nullptr;
  Fl_Widget* statusBar = nullptr;
};

// Text drawn as given (no '@' symbols, no '&' shortcuts), wrapped at word
// boundaries inside the control, left-aligned or centred, from the top.
// Uses labelfont(), labelsize() and labelcolor() for its look.
class StaticText : public Fl_Widget {
 public:
  StaticText(int x, int y, int w, int h, bool centred);
  void text(const char* value);
  const std::string& text() const { return text_; }
  void draw() override;

 private:
  std::string text_;
  bool centred_;
};

// A sunken frame with its caption on the top edge, left.
class GroupFrame : public Fl_Widget {
 public:
  GroupFrame(int x, int y, int w, int h);
  void text(const char* value);
  const std::string& text() const { return text_; }
  void draw() override;

 private:
  std::string text_;
};

// A horizontal slider with integer positions and one tick mark below the
// track for each position.
class TickSlider : public Fl_Slider {
 public:
  TickSlider(int x, int y, int w, int h);
  int handle(int event) override;
  void draw() override;

 private:
  int TrackHeight() const;
};

// A single-line edit that turns letters into capitals as they are typed or
// pasted.
class UppercaseInput : public Fl_Input {
 public:
  UppercaseInput(int x, int y, int w, int h);
  int handle(int event) override;
};

// The status bar: two equal sunken fields with centred texts and, for a
// sizeable window, a sizing grip in the strip left at the right end.
class StatusBar : public Fl_Widget {
 public:
  StatusBar(int x, int y, int w, int h, bool grip);
  void text(int field, const char* value);
  const std::string& text(int field) const { return texts_[field]; }
  void draw() override;

 private:
  std::string texts_[2];
  bool grip_;
};

}  // namespace ui_fltk
