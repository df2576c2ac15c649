// Finding and reading the program's windows from outside and through the
// inspector library; see program.h.
#include "program.h"

#include <commctrl.h>
#include <psapi.h>

#include <cstring>

#include "report.h"

namespace wt {
namespace {

struct Search {
  DWORD pid;
  std::vector<HWND>* out;
};

BOOL CALLBACK CollectWindows(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == search->pid && IsWindowVisible(window)) search->out->push_back(window);
  return TRUE;
}

}  // namespace

Program::~Program() { Kill(); }

bool Program::Start(const std::wstring& exe, std::string& error) {
  std::wstring command = L"\"" + exe + L"\"";
  std::vector<wchar_t> commandLine(command.begin(), command.end());
  commandLine.push_back(L'\0');
  std::vector<wchar_t> environment = StandInEnvironment();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                      environment.data(), nullptr, &startup, &info)) {
    error = Format("cannot start %s (error %lu)", Utf8(exe).c_str(), GetLastError());
    return false;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  pid_ = info.dwProcessId;
  exitExpected_ = false;
  SetLostWatch([this] { return Lost(); });
  return true;
}

std::string Program::Lost() const {
  if (!process_ || exitExpected_) return "";
  if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return Format("the program under test has ended by itself (exit code 0x%lx)", code);
  }
  if (!main_) return "";
  DWORD_PTR ignored = 0;
  if (!IsWindow(main_)) return "the program's main window is gone, the program still runs";
  if (!SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 3000, &ignored)) {
    return "the program under test does not answer (its main window left a message unanswered for 3 s)";
  }
  return "";
}

bool Program::WaitMainWindow(int timeoutMs) {
  return WaitFor(
      [&] {
        for (HWND w : Windows()) {
          if (GetWindow(w, GW_OWNER) == nullptr && GetMenu(w) != nullptr) {
            main_ = w;
          }
        }
        if (!main_) {
          const std::vector<HWND> all = Windows();
          for (HWND w : all) {
            if (TextOf(w).find(L"Индикатор") == 0) main_ = w;
          }
        }
        if (main_) uiThread_ = GetWindowThreadProcessId(main_, nullptr);
        return main_ != nullptr;
      },
      timeoutMs, 50);
}

bool Program::WaitExit(int timeoutMs, DWORD& code) {
  if (!process_) return false;
  exitExpected_ = true;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  GetExitCodeProcess(process_, &code);
  return true;
}

void Program::Kill() {
  SetLostWatch(nullptr);
  if (!process_) return;
  exitExpected_ = true;
  if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0) {
    TerminateProcess(process_, 99);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
  process_ = nullptr;
  main_ = nullptr;
  remoteBuffer_ = nullptr;
  inspectEntry_ = 0;
}

bool Program::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

std::vector<HWND> Program::Windows() const {
  std::vector<HWND> out;
  Search search{pid_, &out};
  EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&search));
  return out;
}

HWND Program::FindWindowTitled(const std::wstring& title) const {
  for (HWND w : Windows()) {
    if (TextOf(w) == title) return w;
  }
  return nullptr;
}

HWND Program::MessageBoxWindow() const {
  for (HWND w : Windows()) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    if (wcscmp(name, L"#32770") == 0) return w;
  }
  return nullptr;
}

HWND Program::Focus() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(uiThread_, &info) ? info.hwndFocus : nullptr;
}

HWND Program::Active() const {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(uiThread_, &info) ? info.hwndActive : nullptr;
}

void* Program::Remote(size_t bytes) {
  if (!remoteBuffer_) {
    remoteBuffer_ = VirtualAllocEx(process_, nullptr, 64 * 1024, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  }
  return bytes <= 64 * 1024 ? remoteBuffer_ : nullptr;
}

// A module of the program under test by its file name, or nullptr.
HMODULE Program::RemoteModule(const wchar_t* name) const {
  HMODULE modules[512];
  DWORD needed = 0;
  if (!K32EnumProcessModules(process_, modules, sizeof modules, &needed)) return nullptr;
  for (DWORD i = 0; i < needed / sizeof(HMODULE) && i < 512; ++i) {
    wchar_t base[MAX_PATH] = {};
    K32GetModuleBaseNameW(process_, modules[i], base, MAX_PATH);
    if (_wcsicmp(base, name) == 0) return modules[i];
  }
  return nullptr;
}

// The address in the program of `function` of `module`: a library lies at
// its own base in each process, the function at the same offset from it.
ULONG_PTR Program::RemoteAddress(HMODULE local, HMODULE remote, const char* function) {
  const FARPROC here = GetProcAddress(local, function);
  if (!here || !remote) return 0;
  return reinterpret_cast<ULONG_PTR>(remote) +
         (reinterpret_cast<ULONG_PTR>(reinterpret_cast<void*>(here)) - reinterpret_cast<ULONG_PTR>(local));
}

bool Program::LoadInspector(std::string& error) {
  if (inspectEntry_) return true;
  const std::wstring path = DriverDirectory() + L"\\swrinspect.dll";
  HMODULE local = LoadLibraryW(path.c_str());
  if (!local) {
    error = Format("the driver cannot load %s (error %lu)", Utf8(path).c_str(), GetLastError());
    return false;
  }
  if (!GetProcAddress(local, "SwrInspect")) {
    error = "swrinspect.dll exports no function named SwrInspect (is it exported under a decorated name?)";
    return false;
  }
  const ULONG_PTR loadLibrary =
      RemoteAddress(GetModuleHandleW(L"kernel32.dll"), RemoteModule(L"kernel32.dll"), "LoadLibraryW");
  if (!loadLibrary) {
    error = "kernel32.dll's LoadLibraryW cannot be found in the program";
    return false;
  }
  const size_t bytes = (path.size() + 1) * sizeof(wchar_t);
  void* remotePath = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remotePath || !WriteProcessMemory(process_, remotePath, path.c_str(), bytes, nullptr)) {
    error = Format("cannot write into the program's memory (error %lu)", GetLastError());
    return false;
  }
  HANDLE thread = CreateRemoteThread(process_, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(loadLibrary),
                                     remotePath, 0, nullptr);
  if (!thread) {
    error = Format("cannot start a thread in the program (error %lu)", GetLastError());
    return false;
  }
  const bool finished = WaitForSingleObject(thread, 10000) == WAIT_OBJECT_0;
  CloseHandle(thread);
  if (!finished) {
    error = "loading swrinspect.dll into the program did not finish within 10 s";
    return false;
  }
  inspectEntry_ = RemoteAddress(local, RemoteModule(L"swrinspect.dll"), "SwrInspect");
  if (!inspectEntry_) error = "the program did not load swrinspect.dll";
  return inspectEntry_ != 0;
}

bool Program::Inspect(swrinspect::Request& request) {
  std::string error;
  if (!LoadInspector(error)) AbortGroup("cannot inspect the program: " + error);
  void* remote = Remote(sizeof request);
  request.done = 0;
  if (!remote || !WriteProcessMemory(process_, remote, &request, sizeof request, nullptr)) {
    AbortGroup(Format("cannot inspect the program: its memory cannot be written (error %lu)", GetLastError()));
  }
  HANDLE thread = CreateRemoteThread(process_, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(inspectEntry_),
                                     remote, 0, nullptr);
  if (!thread) AbortGroup(Format("cannot inspect the program: no thread can be started in it (error %lu)", GetLastError()));
  const bool finished = WaitForSingleObject(thread, 5000) == WAIT_OBJECT_0;
  CloseHandle(thread);
  DWORD code = 0;
  if (WaitForSingleObject(process_, 0) == WAIT_OBJECT_0 && GetExitCodeProcess(process_, &code)) {
    AbortGroup(Format("the program under test ended while the inspector ran in it (exit code 0x%lx)", code));
  }
  if (!finished) AbortGroup("cannot inspect the program: the inspector did not finish within 5 s");
  if (!ReadProcessMemory(process_, remote, &request, sizeof request, nullptr) || !request.done) {
    AbortGroup("cannot inspect the program: the inspector left no answer");
  }
  return true;
}

std::vector<int> Program::StatusParts(HWND bar) {
  std::vector<int> parts;
  DWORD_PTR count = 0;
  if (!SendMessageTimeoutW(bar, SB_GETPARTS, 0, 0, SMTO_BLOCK, 2000, &count)) return parts;
  void* remote = Remote(256 * sizeof(int));
  if (!remote || count == 0 || count > 256) return parts;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(bar, SB_GETPARTS, count, reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 2000, &ignored);
  parts.resize(count);
  ReadProcessMemory(process_, remote, parts.data(), count * sizeof(int), nullptr);
  return parts;
}

std::wstring Program::StatusText(HWND bar, int part) {
  DWORD_PTR info = 0;
  if (!SendMessageTimeoutW(bar, SB_GETTEXTLENGTHW, static_cast<WPARAM>(part), 0, SMTO_BLOCK, 2000, &info)) return L"?";
  const size_t length = LOWORD(info);
  void* remote = Remote((length + 1) * sizeof(wchar_t));
  if (!remote) return L"?";
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(bar, SB_GETTEXTW, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote), SMTO_BLOCK,
                      2000, &ignored);
  std::wstring text(length, L'\0');
  ReadProcessMemory(process_, remote, text.data(), length * sizeof(wchar_t), nullptr);
  return text;
}

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_BLOCK, 2000, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_BLOCK, 2000,
                      &copied);
  text.resize(copied);
  return text;
}

WindowFacts FactsOf(HWND window) {
  WindowFacts f;
  wchar_t name[128] = {};
  GetClassNameW(window, name, 128);
  f.className = name;
  f.text = TextOf(window);
  f.style = GetWindowLongW(window, GWL_STYLE);
  f.exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  f.id = GetDlgCtrlID(window);
  GetWindowRect(window, &f.rect);
  if (HWND parent = GetParent(window)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&f.rect), 2);
  }
  return f;
}

HWND Child(HWND parent, int id) { return parent ? GetDlgItem(parent, id) : nullptr; }

// The environment of this process with the stand-ins selected by name. Wine
// honours this for libraries loaded at run time; the ones the program
// imports are selected by the per-program registry entries that the runner
// script makes.
std::vector<wchar_t> StandInEnvironment() {
  std::vector<wchar_t> block;
  LPWCH env = GetEnvironmentStringsW();
  for (LPWCH p = env; *p; p += wcslen(p) + 1) {
    if (_wcsnicmp(p, L"WINEDLLOVERRIDES=", 17) == 0) continue;
    block.insert(block.end(), p, p + wcslen(p) + 1);
  }
  FreeEnvironmentStringsW(env);
  const wchar_t overrides[] = L"WINEDLLOVERRIDES=hid,setupapi=n;mscoree,mshtml=";
  block.insert(block.end(), overrides, overrides + wcslen(overrides) + 1);
  block.push_back(L'\0');
  return block;
}

std::string ArchitectureMismatch(const std::wstring& exe) {
  DWORD type = 0;
  if (!GetBinaryTypeW(exe.c_str(), &type)) {
    return Format("%s is not a Windows program (error %lu)", Utf8(exe).c_str(), GetLastError());
  }
  const bool driver64 = sizeof(void*) == 8;
  if (type == (driver64 ? SCS_64BIT_BINARY : SCS_32BIT_BINARY)) return "";
  const char* kind = type == SCS_64BIT_BINARY ? "an x86-64" : type == SCS_32BIT_BINARY ? "an x86" : "another kind of";
  return Format("%s is %s program and this driver an %s one; use the driver of the program's own build",
                Utf8(exe).c_str(), kind, driver64 ? "x86-64" : "x86");
}

std::wstring DriverDirectory() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir = path;
  return dir.substr(0, dir.find_last_of(L'\\'));
}

}  // namespace wt
