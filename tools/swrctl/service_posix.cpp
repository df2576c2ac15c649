// swrctl service on Linux: the service manager there is systemd, and the
// package brings its unit, so the command only says so.
#include <ostream>

#include "station/core/exit_status.h"
#include "tools/swrctl/service.h"

namespace swrctl {
using namespace ::station;

int ServiceCommand(const Options&, WatchEnv&, std::ostream&, std::ostream& err) {
  err << "swrctl: service is for Windows; on Linux swrctl serve runs as the systemd unit "
         "swrctl-serve.service (sudo systemctl enable --now swrctl-serve)\n";
  return kExitUsage;
}

}  // namespace swrctl
