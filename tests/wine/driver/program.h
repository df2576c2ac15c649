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
  // From then on a failed check while the program has ended unasked, or no
  // longer answers, aborts the group (see SetLostWatch).
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

  // Runs an inspector request in the program. When the inspector cannot be
  // loaded or run there, nothing more of the group can be checked: it aborts
  // the group with the reason (AbortGroup).
  bool Inspect(swrinspect::Request& request);
  // Status bar parts (right edges) and texts, read through the program's memory.
  std::vector<int> StatusParts(HWND bar);
  std::wstring StatusText(HWND bar, int part);

 private:
  bool LoadInspector(std::string& error);
  HMODULE RemoteModule(const wchar_t* name) const;
  static ULONG_PTR RemoteAddress(HMODULE local, HMODULE remote, const char* function);
  void* Remote(size_t bytes);
  // Why the program can no longer be checked, or "" while it can.
  std::string Lost() const;

  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  DWORD uiThread_ = 0;
  HWND main_ = nullptr;
  void* remoteBuffer_ = nullptr;
  ULONG_PTR inspectEntry_ = 0;
  bool exitExpected_ = false;  // WaitExit or Kill was called
};

std::wstring TextOf(HWND window);
WindowFacts FactsOf(HWND window);
HWND Child(HWND parent, int id);
// This process's environment with the stand-in libraries selected by name,
// for CreateProcessW with CREATE_UNICODE_ENVIRONMENT.
std::vector<wchar_t> StandInEnvironment();
// The directory of the driver executable (the inspector library lies there).
std::wstring DriverDirectory();
// "" when `exe` is a Windows program of this driver's architecture, else why
// not: the driver starts threads in the program at addresses of its own
// architecture, so each build's driver serves that build's programs only.
std::string ArchitectureMismatch(const std::wstring& exe);

}  // namespace wt
