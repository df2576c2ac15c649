// swrctl from its arguments to its exit status; see swrctl.h.
#include "tools/swrctl/swrctl.h"

#include <ostream>

#include "device/hid_link.h"
#include "tools/swrctl/command.h"
#include "station/core/exit_status.h"
#include "station/core/sensor_names.h"
#include "tools/swrctl/options.h"
#include "tools/swrctl/log_command.h"
#include "tools/swrctl/qso_command.h"
#include "tools/swrctl/serve.h"
#include "tools/swrctl/service.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace swrctl {
using namespace ::station;

int Main(const std::vector<std::string>& args, Env& env, std::ostream& out, std::ostream& err) {
  const ParseResult parsed = ParseArgs(args);
  if (!parsed.ok()) {
    err << "swrctl: " << parsed.error << '\n';
    return kExitUsage;
  }
  const Options& options = parsed.options;
  // Before any thread that shows a sensor starts.
  SetSensorNames(options.serve.sensorNames);
  switch (options.action) {
    case Action::Help:
      out << HelpText();
      return kExitOk;
    case Action::Version:
      out << "swrctl " << SWRCTL_VERSION << '\n';
      return kExitOk;
    case Action::Log:
      if (options.alarms) return ListAlarms(options, out, err);
      return options.qsos ? ListQsos(options, out, err) : ListLog(options, out, err);
    case Action::Adif:
      return AdifFill(options, out, err);
    case Action::Service:
      // Only the service's own process (run) needs the controller.
      if (options.serviceVerb != "run") return ServiceCommand(options, env.watch, out, err);
      break;
    default:
      break;
  }

  // Before the bus starts anything, so that no thread of the process but
  // the one meant for it ever takes Ctrl+C.
  if ((options.action == Action::Watch || options.action == Action::Serve) && env.catchInterrupt) {
    env.catchInterrupt();
  }
  HidLink::Init();
  int status = kExitOk;
  switch (options.action) {
    case Action::Status:
      status = ShowStatus(out);
      break;
    case Action::Watch:
      status = Watch(options, env.watch, out, err);
      break;
    case Action::Serve:
      status = Serve(options.serve, env.watch, out, err);
      break;
    case Action::Service:
      status = ServiceCommand(options, env.watch, out, err);
      break;
    default:
      status = RunCommand(options, out, err);
      break;
  }
  HidLink::Shutdown();
  return status;
}

}  // namespace swrctl
