// UTF-8 <-> UTF-16 for the Windows toolkit: every text reaches Windows
// through the W functions, whatever the system's ANSI code page is.
#include "ui/win32/ui_win32_internal.h"

namespace ui::win32 {

std::wstring Widen(const char* text) {
  if (text == nullptr || *text == '\0') return std::wstring();
  const int length = ::MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), length);
  wide.resize(static_cast<size_t>(length) - 1);  // drop the terminator
  return wide;
}

std::string Narrow(const wchar_t* text, int length) {
  if (text == nullptr || length <= 0) return std::string();
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), size, nullptr, nullptr);
  return narrow;
}

}  // namespace ui::win32
