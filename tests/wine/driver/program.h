// The program under test as the driver sees it: its process, its windows and
// what can be read of them from outside (and, through the inspector library,
// from inside).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "../inspect_protocol.h"

namespace wt {

struct WindowFacts {
  std::wstring className;
  std::wstring text;
  LONG style = 0;
  LONG exStyle = 0;
  int id = 0;
  RECT rect{};  // in the parent's client coordinates (screen for top-level windows)
};

class Program {
 public:
  Program() = default;
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Starts the executable with the stand-in libraries selected for it alone.
  bool Start(const std::wstring& exe, std::string& error);
  bool WaitMainWindow(int timeoutMs);
  // true when the process ended within the time; its exit code in `code`.
  bool WaitExit(int timeoutMs, DWORD& code);
  void Kill();
  bool Running() const;

  HWND Main() const { return main_; }
  DWORD UiThread() const { return uiThread_; }
  HANDLE Process() const { return process_; }

  // The process's visible top-level windows.
  std::vector<HWND> Windows() const;
  HWND FindWindowTitled(const std::wstring& title) const;
  // The visible message box of the process (dialog class #32770), if any.
  HWND MessageBoxWindow() const;
  HWND Focus() const;
  HWND Active() const;

  // Runs an inspector request in the program; false when it could not.
  bool Inspect(swrinspect::Request& request);
  // Status bar parts (right edges) and texts, read through the program's memory.
  std::vector<int> StatusParts(HWND bar);
  std::wstring StatusText(HWND bar, int part);

 private:
  bool LoadInspector();
  void* Remote(size_t bytes);

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  DWORD uiThread_ = 0;
  HWND main_ = nullptr;
  void* remoteBuffer_ = nullptr;
  ULONG_PTR inspectEntry_ = 0;
};

std::wstring TextOf(HWND window);
WindowFacts FactsOf(HWND window);
HWND Child(HWND parent, int id);
// This process's environment with the stand-in libraries selected by name,
// for CreateProcessW with CREATE_UNICODE_ENVIRONMENT.
std::vector<wchar_t> StandInEnvironment();
// The directory of the driver executable (the inspector library lies there).
std::wstring DriverDirectory();

}  // namespace wt
