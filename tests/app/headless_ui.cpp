// The headless toolkit's realisation of ui.h; see headless_ui.h.
#include "headless_ui.h"

#include <algorithm>
#include <deque>

#include "ui/layout_metrics.h"

namespace headless {

namespace {

struct Step {
  ui::Event event;
  std::function<void()> action;  // run before the event is returned
};

State state;
std::deque<Step> script;
ui::Font nextFont = 1;

void EraseWindow(int number);

void Erase(int id) {
  const auto it = state.controls.find(id);
  if (it == state.controls.end()) return;
  auto& order = state.windows[it->second.window].controlOrder;
  order.erase(std::remove(order.begin(), order.end(), id), order.end());
  state.controls.erase(it);
}

void EraseWindow(int number) {
  const auto it = state.windows.find(number);
  if (it == state.windows.end()) return;
  for (int id : std::vector<int>(it->second.controlOrder)) Erase(id);
  state.windows.erase(it);
}

void Push(ui::EventKind kind, int id, std::function<void()> action = nullptr) {
  script.push_back({{kind, id}, std::move(action)});
}

}  // namespace

State& Ui() { return state; }

void Reset() {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.windows.clear();
  state.controls.clear();
  state.fonts.clear();
  state.errorBoxes.clear();
  state.textOrder.clear();
  state.dpi = 96;
  state.initialised = state.shutDown = state.scriptRanDry = false;
  script.clear();
}

void Click(int controlId) {
  Push(ui::EventKind::Control, controlId, [controlId] {
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.controls.find(controlId);
    if (it != state.controls.end() && it->second.kind == ui::ControlKind::CheckBox) {
      it->second.check = it->second.check != 0 ? 0 : 1;
    }
  });
}

void MoveSlider(int controlId, int position) {
  Push(ui::EventKind::Control, controlId, [controlId, position] {
    std::lock_guard<std::mutex> lock(state.mutex);
    const auto it = state.controls.find(controlId);
    if (it != state.controls.end()) {
      it->second.trackPos = std::clamp(position, it->second.trackMin, it->second.trackMax);
    }
  });
}

void ChooseMenu(int itemId) { Push(ui::EventKind::Menu, itemId); }
void Tick() { Push(ui::EventKind::Timer, 1); }
void CloseBox(int window) { Push(ui::EventKind::Close, window); }
void Do(std::function<void()> step) { Push(ui::EventKind::None, 0, std::move(step)); }

Control ControlOf(int id) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.controls.find(id);
  return it != state.controls.end() ? it->second : Control{};
}

bool HasControl(int id) {
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.controls.count(id) != 0;
}

Window WindowOf(int number) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.windows.find(number);
  return it != state.windows.end() ? it->second : Window{};
}

bool HasWindow(int number) {
  std::lock_guard<std::mutex> lock(state.mutex);
  return state.windows.count(number) != 0;
}

}  // namespace headless

namespace ui {

using headless::state;

void Init() { state.initialised = true; }

void Shutdown() {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.windows.clear();
  state.controls.clear();
  state.shutDown = true;
}

bool CreateWindow(int number, const char* title, WindowStyle style, int x, int y,
                  int clientWidth, int clientHeight) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::EraseWindow(number);
  headless::Window& w = state.windows[number];
  w.number = number;
  w.title = title;
  w.style = style;
  w.x = x;
  w.y = y;
  w.clientWidth = clientWidth;
  w.clientHeight = clientHeight;
  w.visible = true;
  return true;
}

void HideWindow(int number) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.windows.find(number);
  if (it != state.windows.end()) it->second.visible = false;
}

void DestroyWindow(int number) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::EraseWindow(number);
}

bool CreateControl(int window, int id, ControlKind kind, Rect rect, const char* text) {
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.windows.count(window) == 0) return false;
  const int creations = state.controls.count(id) ? state.controls[id].creations : 0;
  headless::Erase(id);
  headless::Control& c = state.controls[id];
  c.window = window;
  c.id = id;
  c.kind = kind;
  c.rect = rect;
  c.text = text;
  c.creations = creations + 1;
  state.windows[window].controlOrder.push_back(id);
  return true;
}

void DestroyControl(int id) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::Erase(id);
}

void SetText(int id, const char* text) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.controls.find(id);
  if (it == state.controls.end()) return;
  it->second.text = text;
  state.textOrder.push_back(id);
}

std::string GetText(int id) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.controls.find(id);
  return it != state.controls.end() ? it->second.text : std::string();
}

Font CreateFont(const char* face, int points) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const Font font = headless::nextFont++;
  state.fonts[font] = {face, points, false};
  return font;
}

void DeleteFont(Font font) {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.fonts[font].deleted = true;
}

void SetFont(int id, Font font) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.controls.find(id);
  if (it != state.controls.end()) it->second.font = font;
}

void SetTextColor(int id, Color color) {
  std::lock_guard<std::mutex> lock(state.mutex);
  const auto it = state.controls.find(id);
  if (it == state.controls.end()) return;
  it->second.hasColor = true;
  it->second.color = color;
}

int GetCheck(int id) { return headless::ControlOf(id).check; }

void SetTrackbarRange(int id, int min, int max) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::Control& c = state.controls[id];
  c.trackMin = min;
  c.trackMax = max;
  c.trackPos = std::clamp(c.trackPos, min, max);
}

void SetTrackbarPos(int id, int position) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::Control& c = state.controls[id];
  c.trackPos = std::clamp(position, c.trackMin, c.trackMax);
}

int GetTrackbarPos(int id) { return headless::ControlOf(id).trackPos; }

bool SetMenu(int window, const MenuEntry* entries, int count) {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.windows[window].menu.assign(entries, entries + count);
  return true;
}

void EnsureStatusBar(int window, int minHeight) {
  std::lock_guard<std::mutex> lock(state.mutex);
  headless::Window& w = state.windows[window];
  if (!w.hasStatusBar) ++w.statusBarCreations;
  w.hasStatusBar = true;
  w.statusMinHeight = minHeight;
}

void SetStatusText(int window, int field, const char* text) {
  std::lock_guard<std::mutex> lock(state.mutex);
  if (field == 0 || field == 1) state.windows[window].status[field] = text;
}

void StartTimer(int window, int id, int periodMs) {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.windows[window].timers[id] = periodMs;
}

void ShowErrorBox(const char* text, const char* caption) {
  std::lock_guard<std::mutex> lock(state.mutex);
  state.errorBoxes.push_back({text, caption});
}

Event WaitEvent() {
  while (!headless::script.empty()) {
    headless::Step step = std::move(headless::script.front());
    headless::script.pop_front();
    if (step.action) step.action();
    if (step.event.kind != EventKind::None) return step.event;
  }
  // Out of script: close whatever loop is running, so a test never hangs.
  state.scriptRanDry = true;
  return {EventKind::Close, 1};
}

}  // namespace ui
