// The station log's place and lock on Windows: %LOCALAPPDATA% and a lock
// file beside the log opened without sharing.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <cstdio>

#include <cstdlib>
#include <string>

#include "station/log/log_platform.h"

namespace station {
namespace {

std::wstring Wide(const std::string& utf8) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? static_cast<std::size_t>(n) : 1u, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &out[0], n);
  out.resize(out.size() - 1);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &out[0], n, nullptr, nullptr);
  out.resize(out.size() - 1);
  return out;
}

}  // namespace

std::string DefaultLogDirectory() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return "";
  return Utf8(local) + "\\swrpanel";
}

std::string DefaultLogPath(const std::string& name) {
  const std::string dir = DefaultLogDirectory();
  return dir.empty() ? "" : dir + "\\" + name;
}

LogFileLock::~LogFileLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handle_)));
}

bool LogFileLock::Acquire(const std::string& logPath, bool& held, std::string& error) {
  held = false;
  const std::string path = logPath + ".lock";
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    held = code == ERROR_SHARING_VIOLATION;
    if (!held) error = "cannot create " + path + " (Windows error " + std::to_string(code) + ")";
    return false;
  }
  handle_ = static_cast<long long>(reinterpret_cast<INT_PTR>(h));
  return true;
}

}  // namespace station

#include <filesystem>
#include <system_error>

namespace station {

int ReadFileStart(const std::string& path, char* buffer, int size) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return -1;
  DWORD got = 0;
  if (!ReadFile(h, buffer, static_cast<DWORD>(size), &got, nullptr)) got = 0;
  CloseHandle(h);
  return static_cast<int>(got);
}

bool MakeLogDirectory(const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(Wide(dir)), ec);
  if (ec) error = "cannot create the directory " + dir + ": " + ec.message();
  return !ec;
}

void BinaryStandardOutput() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace station
