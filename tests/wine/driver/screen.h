// Pixels of the screen (the Wine virtual desktop), for text colours and
// screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wt {

class Capture {
 public:
  // Copies the screen rectangle `area` (screen coordinates).
  explicit Capture(const RECT& area);
  COLORREF At(int screenX, int screenY) const;
  // Pixels of `area` (screen coordinates) that satisfy `match`.
  int Count(const RECT& area, const std::function<bool(COLORREF)>& match) const;
  bool SaveBmp(const std::wstring& path) const;

 private:
  RECT area_;
  int width_, height_;
  std::vector<DWORD> pixels_;  // 0x00RRGGBB, top-down
};

// The screen rectangle of a window, or of a control's rectangle inside it.
RECT ScreenRect(HWND window);

}  // namespace wt
