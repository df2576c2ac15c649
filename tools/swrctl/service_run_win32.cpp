// The Windows service's own process (`swrctl service run`, started by the
// service manager): serve on the service's thread, the manager's stop and
// shutdown turned into serve's stop signal, what serve prints written to a
// log file with the time; and the data directory it keeps that log and its
// token in, open to SYSTEM, the administrators and this service only.
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdio>
#include <functional>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <thread>
#include <utility>

#include "station/core/exit_status.h"
#include "tools/swrctl/serve.h"
#include "tools/swrctl/service.h"
#include "tools/swrctl/service_win32.h"

namespace swrctl {
using namespace ::station;
namespace {

// A log that has grown past this is moved aside at the service's start.
constexpr long kLogLimitBytes = 1024 * 1024;
// How long the service manager is told a start or stop may take.
constexpr DWORD kPendingWaitHintMs = 10000;

// "NT SERVICE\swrctl-serve" as a SID string: S-1-5-80- and the SHA-1 of the
// service's name in upper case (UTF-16), as five 32-bit numbers. Computed,
// not looked up, so that it works before the service exists.
bool ServiceSid(std::wstring& sid) {
  std::wstring name = Widened(kServiceName);
  CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  unsigned char digest[20] = {};
  bool ok = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0) == 0 &&
            BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0 &&
            BCryptHashData(hash, reinterpret_cast<PUCHAR>(&name[0]),
                           static_cast<ULONG>(name.size() * sizeof(wchar_t)), 0) == 0 &&
            BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
  if (hash != nullptr) BCryptDestroyHash(hash);
  if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  if (!ok) return false;
  sid = L"S-1-5-80";
  for (int i = 0; i < 20; i += 4) {
    const unsigned long part = digest[i] | digest[i + 1] << 8 | digest[i + 2] << 16 |
                               static_cast<unsigned long>(digest[i + 3]) << 24;
    sid += L"-" + std::to_wstring(part);
  }
  return true;
}

// Each line of what serve prints, with the local time in front, appended
// to the log file as soon as it is complete. Serve's threads may write at
// once: the lock keeps the buffer whole. `firstLine` is called once, after
// the first line.
class LogBuffer : public std::streambuf {
 public:
  LogBuffer(std::FILE* file, const WatchEnv& env, std::function<void()> firstLine = nullptr)
      : file_(file), env_(env), firstLine_(std::move(firstLine)) {}

 protected:
  int overflow(int c) override {
    if (c != traits_type::eof()) {
      const char ch = static_cast<char>(c);
      xsputn(&ch, 1);
    }
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard<std::mutex> lock(mutex_);
    for (std::streamsize i = 0; i < n; ++i) {
      line_ += s[i];
      if (s[i] != '\n') continue;
      const std::string stamp = env_.localTime ? FormatTimestamp(env_.localTime()) + " " : "";
      std::fputs((stamp + line_).c_str(), file_);
      std::fflush(file_);
      line_.clear();
      if (firstLine_) {
        firstLine_();
        firstLine_ = nullptr;
      }
    }
    return n;
  }

 private:
  std::FILE* file_;
  const WatchEnv& env_;
  std::function<void()> firstLine_;
  std::mutex mutex_;
  std::string line_;
};

// One service per process: what ServiceMain and the control handler share.
struct ServiceRun {
  const Options* options = nullptr;
  WatchEnv* env = nullptr;
  SERVICE_STATUS_HANDLE handle = nullptr;
  std::mutex mutex;  // the handler reports from the dispatcher's thread
  DWORD checkPoint = 0;
  int exitStatus = kExitOk;
};
ServiceRun run;

void Report(DWORD state, int exitStatus = kExitOk, DWORD waitHintMs = 0) {
  std::lock_guard<std::mutex> lock(run.mutex);
  SERVICE_STATUS status{};
  status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
  status.dwCurrentState = state;
  status.dwControlsAccepted =
      state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
  // A status other than 0 counts as a failure, which the failure actions
  // answer with a restart.
  status.dwWin32ExitCode = exitStatus == kExitOk ? NO_ERROR : ERROR_SERVICE_SPECIFIC_ERROR;
  status.dwServiceSpecificExitCode = static_cast<DWORD>(exitStatus);
  const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
  status.dwCheckPoint = pending ? ++run.checkPoint : 0;
  status.dwWaitHint = waitHintMs;
  SetServiceStatus(run.handle, &status);
}

DWORD WINAPI OnControl(DWORD control, DWORD, void*, void*) {
  switch (control) {
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
      Report(SERVICE_STOP_PENDING, kExitOk, kPendingWaitHintMs);
      // As Ctrl+C does in a console: Interrupt waits for the read to end,
      // which the dispatcher's thread must not.
      std::thread([] { run.env->stop->Interrupt(); }).detach();
      return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
      return NO_ERROR;
    default:
      return ERROR_CALL_NOT_IMPLEMENTED;
  }
}

std::FILE* OpenLog() {
  const std::wstring path = Widened(ServiceLogPath());
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
      (data.nFileSizeHigh != 0 || data.nFileSizeLow > static_cast<DWORD>(kLogLimitBytes))) {
    const std::wstring old = Widened(DataDirectory() + "\\swrctl-serve.old.log");
    MoveFileExW(path.c_str(), old.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
  return _wfopen(path.c_str(), L"a");
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
  run.handle = RegisterServiceCtrlHandlerExW(Widened(kServiceName).c_str(), OnControl, nullptr);
  if (run.handle == nullptr) return;
  Report(SERVICE_START_PENDING, kExitOk, kPendingWaitHintMs);
  std::FILE* file = OpenLog();
  if (file == nullptr) {
    run.exitStatus = kExitFailure;
    Report(SERVICE_STOPPED, run.exitStatus);
    return;
  }
  {
    // Serve's first line on its standard output says where it serves: only
    // then is the service running. Failing before, it never was.
    LogBuffer outBuffer(file, *run.env, [] { Report(SERVICE_RUNNING); });
    LogBuffer errBuffer(file, *run.env);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    run.exitStatus = Serve(run.options->serve, *run.env, out, err);
  }
  std::fclose(file);
  Report(SERVICE_STOPPED, run.exitStatus);
}

}  // namespace

std::wstring Widened(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
  return wide;
}

std::string Narrowed(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &narrow[0], n,
                      nullptr, nullptr);
  return narrow;
}

std::string DataDirectory() {
  wchar_t base[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) {
    return "C:\\ProgramData\\swrpanel";
  }
  return Narrowed(base) + "\\swrpanel";
}

std::string ServiceLogPath() { return DataDirectory() + "\\swrctl-serve.log"; }

bool SecureDataDirectory(std::string& error) {
  const std::wstring dir = Widened(DataDirectory());
  if (!CreateDirectoryW(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    error = "cannot make " + DataDirectory() + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  std::wstring sid;
  if (!ServiceSid(sid)) {
    error = "cannot work out the service's account";
    return false;
  }
  // Protected (nothing inherited from ProgramData, which lets every user
  // read), handed down to every file: SYSTEM and administrators full
  // control, the service read, write and delete (for the log's rotation).
  const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1301bf;;;" + sid + L")";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr)) {
    error = "cannot build the access list of " + DataDirectory();
    return false;
  }
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  // Also applies the inherited entries to the files already there.
  const DWORD result = SetNamedSecurityInfoW(
      const_cast<wchar_t*>(dir.c_str()), SE_FILE_OBJECT,
      DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr, dacl,
      nullptr);
  LocalFree(descriptor);
  if (result != ERROR_SUCCESS) {
    error = "cannot restrict access to " + DataDirectory() + " (error " +
            std::to_string(result) + ")";
    return false;
  }
  return true;
}

int RunService(const Options& options, WatchEnv& env, std::ostream& err) {
  run.options = &options;
  run.env = &env;
  std::wstring name = Widened(kServiceName);
  SERVICE_TABLE_ENTRYW table[] = {{&name[0], ServiceMain}, {nullptr, nullptr}};
  if (!StartServiceCtrlDispatcherW(table)) {
    if (GetLastError() == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
      err << "swrctl: service run is how Windows starts the service; in a console, use "
             "swrctl serve\n";
      return kExitUsage;
    }
    err << "swrctl: the service manager did not take the service (error " << GetLastError()
        << ")\n";
    return kExitFailure;
  }
  return run.exitStatus;
}

}  // namespace swrctl
