// Windows by number and controls by identifier. The control table is also
// read by the reader thread (setting texts), so it sits behind a mutex that
// is only ever held for the table operation itself, never across a call
// into the window manager.
#include <map>
#include <mutex>

#include "ui/win32/ui_win32_internal.h"

namespace ui::win32 {
namespace {

std::mutex controlsMutex;
std::map<int, ControlInfo> controls;  // guarded by controlsMutex

// Touched by the user-interface thread only.
std::map<int, HWND> windows;

}  // namespace

HWND WindowHandle(int number) {
  const auto it = windows.find(number);
  return it == windows.end() ? nullptr : it->second;
}

int WindowNumber(HWND hwnd) {
  for (const auto& [number, handle] : windows) {
    if (handle == hwnd) return number;
  }
  return -1;
}

std::vector<int> WindowNumbers() {
  std::vector<int> numbers;
  for (const auto& entry : windows) numbers.push_back(entry.first);
  return numbers;
}

void RegisterWindow(int number, HWND hwnd) { windows[number] = hwnd; }

void ForgetWindow(int number) {
  windows.erase(number);
  ForgetStatusBar(number);
  const std::lock_guard<std::mutex> lock(controlsMutex);
  for (auto it = controls.begin(); it != controls.end();) {
    it = it->second.window == number ? controls.erase(it) : std::next(it);
  }
}

HWND ControlHandle(int id) {
  const std::lock_guard<std::mutex> lock(controlsMutex);
  const auto it = controls.find(id);
  return it == controls.end() ? nullptr : it->second.hwnd;
}

bool FindControl(int id, ControlInfo& out) {
  const std::lock_guard<std::mutex> lock(controlsMutex);
  const auto it = controls.find(id);
  if (it == controls.end()) return false;
  out = it->second;
  return true;
}

void RegisterControl(int id, const ControlInfo& info) {
  const std::lock_guard<std::mutex> lock(controlsMutex);
  controls[id] = info;
}

HWND ForgetControl(int id) {
  const std::lock_guard<std::mutex> lock(controlsMutex);
  const auto it = controls.find(id);
  if (it == controls.end()) return nullptr;
  const HWND hwnd = it->second.hwnd;
  controls.erase(it);
  return hwnd;
}

void SetControlColor(int id, Color color) {
  const std::lock_guard<std::mutex> lock(controlsMutex);
  const auto it = controls.find(id);
  if (it == controls.end()) return;
  it->second.hasColor = true;
  it->second.color = color;
}

}  // namespace ui::win32
