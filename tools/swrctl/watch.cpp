#include "tools/swrctl/watch.h"

#include <ostream>

#include "device/hid_link.h"
#include "device/reports.h"
#include "tools/swrctl/exit_status.h"

namespace swrctl {
namespace {

enum class Link { Unknown, Missing, Unopenable, Lost, Connected };

// What became of one opened session on the controller.
enum class SessionEnd { Stopped, CountReached, OutputFailed, Lost };

struct Printer {
  const Options& options;
  WatchEnv& env;
  std::ostream& out;
  long printed = 0;
  bool anyPrinted = false;
  std::int64_t lastPrintMs = 0;
};

SessionEnd ReadSession(HidLink::Handle handle, Printer& p) {
  for (;;) {
    if (p.env.stop->StopRequested()) return SessionEnd::Stopped;
    swr::InputReport report{};
    const int n = HidLink::Read(handle, report.data(), static_cast<int>(report.size()));
    if (p.env.stop->StopRequested()) return SessionEnd::Stopped;
    if (n <= 0) return SessionEnd::Lost;
    // Reports that come sooner than --interval after the last printed one
    // are read (so the next line is fresh) and dropped.
    const std::int64_t now = p.env.monotonicMs();
    if (p.anyPrinted && now - p.lastPrintMs < p.options.intervalMs) continue;
    p.out << ReadingLine(p.options.format, p.env.localTime(), report.data()) << '\n';
    p.out.flush();
    if (!p.out) return SessionEnd::OutputFailed;
    p.anyPrinted = true;
    p.lastPrintMs = now;
    if (p.options.count > 0 && ++p.printed >= p.options.count) return SessionEnd::CountReached;
  }
}

}  // namespace

int Watch(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err) {
  Printer printer{options, env, out};
  bool headerDone = false;

  Link link = Link::Unknown;
  while (!env.stop->StopRequested()) {
    const HidLink::Handle handle =
        HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    if (handle == 0) {
      const bool present = HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
      const Link now = present ? Link::Unopenable : Link::Missing;
      if (!options.follow) {
        if (present) {
          err << "swrctl: the controller is connected but cannot be opened for reading"
                 " (check the device permissions)\n";
          return kExitFailure;
        }
        err << "swrctl: no controller found\n";
        return kExitNoController;
      }
      // Say once what we wait for, not on every attempt.
      if (now != link && !(now == Link::Missing && link == Link::Lost)) {
        err << (present ? "swrctl: the controller cannot be opened for reading; retrying\n"
                        : "swrctl: waiting for the controller\n");
      }
      link = now;
      if (!env.wait(kPollMs)) break;
      continue;
    }

    if (link != Link::Unknown) err << "swrctl: controller connected\n";
    if (!headerDone) {
      // Once the controller is open: a failed watch prints nothing on stdout.
      const std::string header = HeaderLine(options.format);
      if (!header.empty()) out << header << '\n' << std::flush;
      headerDone = true;
    }
    link = Link::Connected;
    env.stop->PublishReadHandle(handle);
    const SessionEnd end = ReadSession(handle, printer);
    env.stop->PublishReadHandle(0);
    HidLink::Close(handle);

    switch (end) {
      case SessionEnd::Stopped:
      case SessionEnd::CountReached:
        return kExitOk;
      case SessionEnd::OutputFailed:
        return kExitFailure;
      case SessionEnd::Lost:
        break;
    }
    if (!options.follow) {
      err << "swrctl: lost the controller (unplugged?)\n";
      return kExitNoController;
    }
    err << "swrctl: lost the controller; waiting for it\n";
    link = Link::Lost;
    if (!env.wait(kPollMs)) break;
  }
  return kExitOk;
}

}  // namespace swrctl
