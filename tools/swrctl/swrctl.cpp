#include "tools/swrctl/swrctl.h"

#include <ostream>

#include "device/hid_link.h"
#include "tools/swrctl/command.h"
#include "tools/swrctl/exit_status.h"
#include "tools/swrctl/log_command.h"
#include "tools/swrctl/options.h"
#include "tools/swrctl/serve.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace swrctl {

std::string HelpText() {
  return "Usage: swrctl COMMAND [OPTIONS]\n"
         "Reads and sets the USB SWR and power meter controller.\n"
         "\n"
         "Commands:\n"
         "  status                 whether the controller is connected, and its device path\n"
         "  watch                  print one line per report: time, sensor, forward,\n"
         "                         reflected, SWR, power\n"
         "  select SENSOR          make sensor 1, 2 or 3 the active one\n"
         "  power SENSOR WATTS     set a sensor's power range: " + AcceptedWatts() + "\n"
         "  swr SENSOR VALUE       set a sensor's SWR limit: 1.0 to 4.0 in steps of 0.1\n"
         "  blocking on|off        switch the transmit blocking on or off\n"
         "  serve                  keep the controller open and serve a live web page and\n"
         "                         a JSON API (default address 127.0.0.1:8537)\n"
         "  log                    list the transmissions of the station log, oldest first\n"
         "\n"
         "Options of watch:\n"
         "  --format text|csv|json output format (default text; json: one object per line\n"
         "                         with the raw 9 bytes; also for log)\n"
         "  --count N              stop after N lines\n"
         "  --interval MS          at least MS milliseconds between two lines\n"
         "  --follow               wait for the controller when it is missing or unplugged\n"
         "\n"
         "Options of serve:\n"
         "  --listen HOST:PORT     the address to listen on; beyond loopback every\n"
         "                         request needs the token\n"
         "  --token-file FILE      take the access token from FILE (made when missing)\n"
         "                         instead of a new one at each start\n"
         "  --read-only            refuse every command\n"
         "  --mqtt URL             also publish to an MQTT broker (Linux builds):\n"
         "                         mqtt://[user[:password]@]host[:port] or mqtts://...;\n"
         "                         the password may come from SWRCTL_MQTT_PASSWORD\n"
         "  --mqtt-ca FILE         mqtts: the CA certificates to trust (PEM)\n"
         "  --mqtt-prefix TOPIC    the topics' prefix (default swrpanel)\n"
         "  --mqtt-rate N          readings per second to the broker, 1 to 25 (default 4)\n"
         "  --no-http              MQTT only, no web page or HTTP API\n"
         "  --log FILE             the station log (SQLite; default in the state directory)\n"
         "  --no-log               keep no station log\n"
         "  --tx-threshold WATTS   a transmission is above this net power (default 1)\n"
         "  --tx-hang MS           and ends after this long below it (default 1500)\n"
         "  --keep-history DAYS    keep the per-second history this long (default 30)\n"
         "  --keep-transmissions DAYS  keep transmissions this long (default 3650)\n"
         "\n"
         "Options of log:\n"
         "  --since TIME, --until TIME  transmissions that started in this range\n"
         "                         (unix ms or ISO 8601: 2026-12-09, 2026-12-09T14:30Z)\n"
         "  --format text|csv|json, --log FILE  as above\n"
         "\n"
         "Other options:\n"
         "  -v, --verbose          print the 9 bytes a command writes\n"
         "  -h, --help             show this help\n"
         "  -V, --version          show the version\n"
         "\n"
         "Exit status: 0 done, 1 the controller could not be opened or written,\n"
         "2 no controller (or it was unplugged during watch), 64 wrong arguments.\n";
}

int Main(const std::vector<std::string>& args, Env& env, std::ostream& out, std::ostream& err) {
  const ParseResult parsed = ParseArgs(args);
  if (!parsed.ok()) {
    err << "swrctl: " << parsed.error << '\n';
    return kExitUsage;
  }
  const Options& options = parsed.options;
  switch (options.action) {
    case Action::Help:
      out << HelpText();
      return kExitOk;
    case Action::Version:
      out << "swrctl " << SWRCTL_VERSION << '\n';
      return kExitOk;
    case Action::Log:
      return ListLog(options, out, err);
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
      status = Serve(options, env.watch, out, err);
      break;
    default:
      status = SendCommand(options, out, err);
      break;
  }
  HidLink::Shutdown();
  return status;
}

}  // namespace swrctl
