// Capturing screen pixels and saving screenshots; see screen.h.
#include "screen.h"

#include <cstdio>

namespace wt {

Capture::Capture(const RECT& area)
    : area_(area), width_(area.right - area.left), height_(area.bottom - area.top) {
  if (width_ <= 0 || height_ <= 0) {
    width_ = height_ = 0;
    return;
  }
  pixels_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width_, height_, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  if (bits) memcpy(pixels_.data(), bits, pixels_.size() * sizeof(DWORD));
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

COLORREF Capture::At(int x, int y) const {
  x -= area_.left;
  y -= area_.top;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
  const DWORD p = pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int Capture::Count(const RECT& area, const std::function<bool(COLORREF)>& match) const {
  int n = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF c = At(x, y);
      if (c != CLR_INVALID && match(c)) ++n;
    }
  }
  return n;
}

bool Capture::SaveBmp(const std::wstring& path) const {
  if (pixels_.empty()) return false;
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return false;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER header = {};
  const DWORD imageBytes = static_cast<DWORD>(pixels_.size() * sizeof(DWORD));
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof header;
  file.bfSize = file.bfOffBits + imageBytes;
  header.biSize = sizeof header;
  header.biWidth = width_;
  header.biHeight = -height_;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  // Opaque pixels: viewers read the fourth byte of a 32-bit bitmap as alpha.
  std::vector<DWORD> opaque(pixels_);
  for (DWORD& p : opaque) p |= 0xFF000000u;
  const bool ok = fwrite(&file, sizeof file, 1, f) == 1 && fwrite(&header, sizeof header, 1, f) == 1 &&
                  fwrite(opaque.data(), imageBytes, 1, f) == 1;
  fclose(f);
  return ok;
}

RECT ScreenRect(HWND window) {
  RECT r = {};
  GetWindowRect(window, &r);
  return r;
}

}  // namespace wt
