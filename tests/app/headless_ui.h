// A headless realisation of the toolkit for flow tests. It keeps the window
// and control tree with everything the program set, models what native
// controls do by themselves (a check box toggles when clicked, a slider
// clamps its position), and plays a script of user actions and test steps
// through WaitEvent.
#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/ui.h"

namespace headless {

struct Control {
  int window = 0;
  int id = 0;
  ui::ControlKind kind = ui::ControlKind::StaticLeft;
  ui::Rect rect{};
  std::string text;
  ui::Font font = 0;  // 0 = default GUI font
  bool hasColor = false;
  ui::Color color = 0;
  int check = 0;
  int trackMin = 0, trackMax = 100, trackPos = 0;
  int creations = 0;  // how often a control was created under this id
};

struct Window {
  int number = 0;
  std::string title;
  ui::WindowStyle style = ui::WindowStyle::Main;
  int x = 0, y = 0, clientWidth = 0, clientHeight = 0;
  bool visible = false;
  std::vector<ui::MenuEntry> menu;
  bool hasStatusBar = false;
  int statusBarCreations = 0;
  int statusMinHeight = 0;
  std::string status[2];
  std::map<int, int> timers;  // id -> period
  std::vector<int> controlOrder;  // creation order of its controls
};

struct FontRecord {
  std::string face;
  int points = 0;
  bool deleted = false;
};

struct ErrorBox {
  std::string text, caption;
};

// Everything the toolkit holds; lock `mutex` when reading it while the
// reader thread may be setting texts.
struct State {
  std::mutex mutex;
  std::map<int, Window> windows;
  std::map<int, Control> controls;
  std::map<ui::Font, FontRecord> fonts;
  std::vector<ErrorBox> errorBoxes;
  std::vector<int> textOrder;  // ids of every SetText, in order
  int dpi = 96;
  bool initialised = false;
  bool shutDown = false;
  bool scriptRanDry = false;
};

State& Ui();
void Reset();

// Script steps, played in order by WaitEvent. Each user action produces its
// event; Do() runs a test step (plug a controller, check the screen) and
// WaitEvent goes on with the next step.
void Click(int controlId);          // button or check box (a check box toggles)
void MoveSlider(int controlId, int position);
void ChooseMenu(int itemId);
void Tick();                        // one supervision timer tick
void CloseBox(int window);
void Do(std::function<void()> step);

// A control's state, copied under the lock; a default Control if absent.
Control ControlOf(int id);
bool HasControl(int id);
Window WindowOf(int number);
bool HasWindow(int number);

}  // namespace headless
