// What the two halves of the Windows service share: the service manager's
// side (service_win32.cpp) and the service's own process
// (service_run_win32.cpp). Windows builds only.
#pragma once

#include <iosfwd>
#include <string>

#include "tools/swrctl/options.h"
#include "tools/swrctl/watch.h"

namespace swrctl {
using namespace ::station;

std::wstring Widened(const std::string& text);
std::string Narrowed(const std::wstring& text);

// %ProgramData%\swrpanel: the service's token file and log.
std::string DataDirectory();
// Its log: what serve prints, each line with the time.
std::string ServiceLogPath();

// Makes the data directory when missing and gives it (and whatever is in
// it) access for SYSTEM, the administrators and the service alone.
bool SecureDataDirectory(std::string& error);

// The service's process: hands the main thread to the service manager,
// which runs serve on a thread of its own until it stops the service.
int RunService(const Options& options, WatchEnv& env, std::ostream& err);

}  // namespace swrctl
