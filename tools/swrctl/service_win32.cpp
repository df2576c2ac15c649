// swrctl service on Windows, the service manager's side: install (serve
// with the given options, started with Windows under the low-privilege
// LocalService account, restarted after a failure), remove, start, stop and
// status. The service's own process is in service_run_win32.cpp.
#include <windows.h>

#include <memory>
#include <ostream>
#include <type_traits>

#include "station/mqtt/mqtt_options.h"
#include "station/core/exit_status.h"
#include "tools/swrctl/service.h"
#include "tools/swrctl/service_win32.h"

namespace swrctl {
using namespace ::station;
namespace {

// How long start and stop wait for the service to get there.
constexpr long kSettleMs = 30000;
constexpr long kSettlePollMs = 200;

const wchar_t kDisplayName[] = L"SWR and power meter on the network (swrctl serve)";
const wchar_t kDescription[] =
    L"The SWR and power meter's live web page and HTTP API (swrctl serve). Its log and "
    L"access token are in %ProgramData%\\swrpanel.";

struct CloseService {
  void operator()(SC_HANDLE handle) const { CloseServiceHandle(handle); }
};
using Handle = std::unique_ptr<std::remove_pointer<SC_HANDLE>::type, CloseService>;

// One line for a failed call, worded for the user; exit status 1.
int Failed(std::ostream& err, const std::string& what, DWORD error) {
  err << "swrctl: ";
  if (error == ERROR_ACCESS_DENIED) {
    err << what << " the service needs administrator rights: run the command prompt as "
                   "administrator\n";
  } else if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
    err << "the service " << kServiceName << " is not installed\n";
  } else {
    err << what << " the service " << kServiceName << " failed (Windows error " << error
        << ")\n";
  }
  return kExitFailure;
}

// The service, opened for `access`, with the manager it came from.
struct Opened {
  Handle manager;
  Handle service;
  DWORD error = ERROR_SUCCESS;
  SC_HANDLE get() const { return service.get(); }
  explicit operator bool() const { return static_cast<bool>(service); }
};

Opened OpenOurService(DWORD access) {
  Opened opened;
  opened.manager.reset(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (opened.manager) {
    opened.service.reset(
        OpenServiceW(opened.manager.get(), Widened(kServiceName).c_str(), access));
  }
  if (!opened.service) opened.error = GetLastError();
  return opened;
}

SERVICE_STATUS_PROCESS Query(SC_HANDLE service) {
  SERVICE_STATUS_PROCESS status{};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                            sizeof status, &needed)) {
    status.dwCurrentState = 0;
  }
  return status;
}

// Waits while the service is in `pending`; returns the state it reached.
SERVICE_STATUS_PROCESS Settle(SC_HANDLE service, DWORD pending) {
  SERVICE_STATUS_PROCESS status = Query(service);
  for (long waited = 0; status.dwCurrentState == pending && waited < kSettleMs;
       waited += kSettlePollMs) {
    Sleep(kSettlePollMs);
    status = Query(service);
  }
  return status;
}

std::string StateWords(const SERVICE_STATUS_PROCESS& status) {
  switch (status.dwCurrentState) {
    case SERVICE_RUNNING:
      return "running (process " + std::to_string(status.dwProcessId) + ")";
    case SERVICE_START_PENDING:
      return "starting";
    case SERVICE_STOP_PENDING:
      return "stopping";
    case SERVICE_STOPPED: {
      const DWORD code = status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR
                             ? status.dwServiceSpecificExitCode
                             : status.dwWin32ExitCode;
      if (code == ERROR_SERVICE_NEVER_STARTED) return "stopped (not started since Windows started)";
      return code == 0 ? "stopped" : "stopped (last exit status " + std::to_string(code) + ")";
    }
    default:
      return "in an unknown state";
  }
}

// The program's own path, the service's options made absolute (the
// service starts in the system directory) and the token in the data
// directory unless another file was named.
std::wstring ServiceCommandLine(Options options) {
  const auto absolute = [](std::string& path) {
    if (path.empty()) return;
    wchar_t full[MAX_PATH] = {};
    const DWORD n = GetFullPathNameW(Widened(path).c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) path = Narrowed(full);
  };
  if (options.serve.http && options.serve.tokenFile.empty()) {
    options.serve.tokenFile = DataDirectory() + "\\token.txt";
  }
  absolute(options.serve.tokenFile);
  absolute(options.serve.mqtt.caFile);
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::string line = WindowsQuoted(Narrowed(program)) + " service run";
  for (const std::string& arg : ServeArguments(options)) line += " " + WindowsQuoted(arg);
  return Widened(line);
}

// A setting that a service manager may not know (Wine's knows fewer than
// Windows 7's): only ERROR_INVALID_LEVEL is forgiven.
bool Configure(SC_HANDLE service, DWORD level, void* info) {
  return ChangeServiceConfig2W(service, level, info) || GetLastError() == ERROR_INVALID_LEVEL;
}

// Restarts after 5 s, 10 s, then every minute; the count starts anew after a
// day without failures. Exiting with a status other than 0 counts, too.
bool SetRecovery(SC_HANDLE service) {
  SC_ACTION actions[] = {{SC_ACTION_RESTART, 5000}, {SC_ACTION_RESTART, 10000},
                         {SC_ACTION_RESTART, 60000}};
  SERVICE_FAILURE_ACTIONSW failure{};
  failure.dwResetPeriod = 24 * 60 * 60;
  failure.cActions = sizeof actions / sizeof actions[0];
  failure.lpsaActions = actions;
  SERVICE_FAILURE_ACTIONS_FLAG onExit{};
  onExit.fFailureActionsOnNonCrashFailures = TRUE;
  return ChangeServiceConfig2W(service, SERVICE_CONFIG_FAILURE_ACTIONS, &failure) &&
         Configure(service, SERVICE_CONFIG_FAILURE_ACTIONS_FLAG, &onExit);
}

// The description, and the service's own SID in its token, which the data
// directory's access list names.
bool Describe(SC_HANDLE service) {
  SERVICE_DESCRIPTIONW description{const_cast<wchar_t*>(kDescription)};
  SERVICE_SID_INFO sid{SERVICE_SID_TYPE_UNRESTRICTED};
  return ChangeServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, &description) &&
         Configure(service, SERVICE_CONFIG_SERVICE_SID_INFO, &sid);
}

int Install(const Options& options, std::ostream& out, std::ostream& err) {
  // Every user may read a service's command line.
  MqttUrl url;
  std::string error;
  if (!options.serve.mqtt.url.empty() && ParseMqttUrl(options.serve.mqtt.url, url, error) &&
      url.hasPassword) {
    err << "swrctl: every user can read the service's command line: give the service no "
           "password in --mqtt\n";
    return kExitUsage;
  }
  Handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
  if (!manager) return Failed(err, "installing", GetLastError());
  if (!SecureDataDirectory(error)) {
    err << "swrctl: " << error << '\n';
    return kExitFailure;
  }
  const std::wstring commandLine = ServiceCommandLine(options);
  Handle service(CreateServiceW(manager.get(), Widened(kServiceName).c_str(), kDisplayName,
                                SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, commandLine.c_str(),
                                nullptr, nullptr, nullptr, L"NT AUTHORITY\\LocalService",
                                nullptr));
  if (!service) {
    const DWORD code = GetLastError();
    if (code != ERROR_SERVICE_EXISTS) return Failed(err, "installing", code);
    err << "swrctl: the service " << kServiceName
        << " is already installed; swrctl service remove takes it away first\n";
    return kExitFailure;
  }
  if (!Describe(service.get()) || !SetRecovery(service.get())) {
    const DWORD code = GetLastError();
    DeleteService(service.get());
    return Failed(err, "setting up", code);
  }
  out << "swrctl: installed the service " << kServiceName
      << "; it starts with Windows, and now with: swrctl service start\n"
      << "swrctl: its log (with the address to open) and its token are in " << DataDirectory()
      << '\n';
  return kExitOk;
}

int Start(std::ostream& out, std::ostream& err) {
  const Opened service = OpenOurService(SERVICE_START | SERVICE_QUERY_STATUS);
  if (!service) return Failed(err, "starting", service.error);
  if (!StartServiceW(service.get(), 0, nullptr)) {
    const DWORD error = GetLastError();
    if (error != ERROR_SERVICE_ALREADY_RUNNING) return Failed(err, "starting", error);
  }
  const SERVICE_STATUS_PROCESS status = Settle(service.get(), SERVICE_START_PENDING);
  if (status.dwCurrentState != SERVICE_RUNNING) {
    err << "swrctl: the service " << kServiceName << " did not start: " << StateWords(status)
        << "; see " << ServiceLogPath() << '\n';
    return kExitFailure;
  }
  out << "swrctl: the service " << kServiceName << " is " << StateWords(status)
      << "; the address to open is in " << ServiceLogPath() << '\n';
  return kExitOk;
}

int Stop(SC_HANDLE service, std::ostream& err) {
  SERVICE_STATUS ignored{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &ignored) &&
      GetLastError() != ERROR_SERVICE_NOT_ACTIVE) {
    return Failed(err, "stopping", GetLastError());
  }
  const SERVICE_STATUS_PROCESS status = Settle(service, SERVICE_STOP_PENDING);
  if (status.dwCurrentState != SERVICE_STOPPED) {
    err << "swrctl: the service " << kServiceName << " did not stop: " << StateWords(status)
        << '\n';
    return kExitFailure;
  }
  return kExitOk;
}

int Remove(std::ostream& out, std::ostream& err) {
  const Opened service = OpenOurService(DELETE | SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return Failed(err, "removing", service.error);
  const int stopped = Stop(service.get(), err);
  if (stopped != kExitOk) return stopped;
  if (!DeleteService(service.get())) return Failed(err, "removing", GetLastError());
  out << "swrctl: removed the service " << kServiceName << "; its token and log stay in "
      << DataDirectory() << '\n';
  return kExitOk;
}

int Status(std::ostream& out, std::ostream& err) {
  const Opened service = OpenOurService(SERVICE_QUERY_STATUS);
  if (!service && service.error == ERROR_SERVICE_DOES_NOT_EXIST) {
    out << kServiceName << ": not installed\n";
    return kExitOk;
  }
  if (!service) return Failed(err, "asking about", service.error);
  out << kServiceName << ": " << StateWords(Query(service.get())) << '\n';
  return kExitOk;
}

}  // namespace

int ServiceCommand(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err) {
  const std::string& verb = options.serviceVerb;
  if (verb == "install") return Install(options, out, err);
  if (verb == "start") return Start(out, err);
  if (verb == "status") return Status(out, err);
  if (verb == "remove") return Remove(out, err);
  if (verb == "run") return RunService(options, env, err);
  const Opened service = OpenOurService(SERVICE_STOP | SERVICE_QUERY_STATUS);
  if (!service) return Failed(err, "stopping", service.error);
  const int status = Stop(service.get(), err);
  if (status == kExitOk) out << "swrctl: the service " << kServiceName << " is stopped\n";
  return status;
}

}  // namespace swrctl
