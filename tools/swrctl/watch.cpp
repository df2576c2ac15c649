// swrctl watch: one printed line per report until the count, a stop or
// the controller goes; see watch.h.
#include "tools/swrctl/watch.h"

#include <optional>
#include <ostream>

#include "device/hid_link.h"
#include "device/reports.h"
#include "measure/newest_report.h"
#include "station/core/exit_status.h"

namespace swrctl {
using namespace ::station;
namespace {

// What the user was last told about the controller (on stderr). Each state
// is announced once, so a long wait prints one line, not one per attempt.
enum class Link { Unknown, Missing, Unopenable, Unreadable, Lost, Connected };

// What became of one opened session on the controller.
enum class SessionEnd { Stopped, CountReached, OutputFailed, Lost };

struct Session {
  const Options& options;
  WatchEnv& env;
  std::ostream& out;
  std::ostream& err;
  Link link = Link::Unknown;
  long printed = 0;
  bool anyPrinted = false;
  std::int64_t lastPrintMs = 0;
  long reportsThisSession = 0;
};

void Announce(Session& s, Link now) {
  if (now == s.link) return;
  const Link before = s.link;
  s.link = now;
  switch (now) {
    case Link::Missing:
      // "waiting for it" has been said already after a loss.
      if (before != Link::Lost) s.err << "swrctl: waiting for the controller\n";
      break;
    case Link::Unopenable:
      s.err << "swrctl: the controller cannot be opened for reading; retrying\n";
      break;
    case Link::Unreadable:
      s.err << "swrctl: cannot read from the controller; retrying\n";
      break;
    case Link::Lost:
      s.err << "swrctl: lost the controller; waiting for it\n";
      break;
    case Link::Connected:
      if (before != Link::Unknown) s.err << "swrctl: controller connected\n";
      break;
    case Link::Unknown:
      break;
  }
}

SessionEnd ReadSession(HidLink::Handle handle, Session& s) {
  s.reportsThisSession = 0;
  swr::ReportRate rate(swr::kLeastQueueingRateWithoutPause);
  swr::InputReport report{};
  bool printed = true;  // the report in `report` has been through Print
  std::optional<SessionEnd> ended;  // set by a print that ends the session
  // Reports that queued up while a line was written are read through, so
  // each line shows the newest reading.
  const auto readOnce = [&](bool) {
    if (ended || s.env.stop->StopRequested()) return 0;
    const int n = HidLink::Read(handle, report.data(), static_cast<int>(report.size()));
    if (n > 0) {
      printed = false;
      // Connected is said once a report has come, not when the open worked.
      if (s.reportsThisSession++ == 0) Announce(s, Link::Connected);
    }
    return n;
  };
  const auto print = [&] {
    if (printed || ended || s.env.stop->StopRequested()) return;
    printed = true;
    // Reports that come sooner than --interval after the last printed one
    // are dropped.
    const std::int64_t now = s.env.monotonicMs();
    if (s.anyPrinted && now - s.lastPrintMs < s.options.intervalMs) return;
    s.out << ReadingLine(s.options.format, s.env.localTime(), report.data()) << '\n';
    s.out.flush();
    s.anyPrinted = true;
    s.lastPrintMs = now;
    if (!s.out) {
      ended = SessionEnd::OutputFailed;
    } else if (s.options.count > 0 && ++s.printed >= s.options.count) {
      ended = SessionEnd::CountReached;
    }
  };
  for (;;) {
    const swr::ReadRun run = swr::ReadNewest(rate, readOnce, print);
    if (ended) return *ended;
    if (s.env.stop->StopRequested()) return SessionEnd::Stopped;
    if (run.failed) return SessionEnd::Lost;
  }
}

}  // namespace

int Watch(const Options& options, WatchEnv& env, std::ostream& out, std::ostream& err) {
  Session s{options, env, out, err};
  bool headerDone = false;

  while (!env.stop->StopRequested()) {
    const HidLink::Handle handle =
        HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    if (handle == 0) {
      const bool present = HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
      if (!options.follow) {
        if (present) {
          err << "swrctl: the controller is connected but cannot be opened for reading"
                 " (check the device permissions)\n";
          return kExitFailure;
        }
        err << "swrctl: no controller found\n";
        return kExitNoController;
      }
      Announce(s, present ? Link::Unopenable : Link::Missing);
      if (!env.wait(kPollMs)) break;
      continue;
    }

    if (!headerDone) {
      // Once the controller is open: a watch that finds none prints nothing
      // on stdout.
      const std::string header = HeaderLine(options.format);
      if (!header.empty()) out << header << '\n' << std::flush;
      headerDone = true;
    }
    env.stop->PublishReadHandle(handle);
    const SessionEnd end = ReadSession(handle, s);
    env.stop->PublishReadHandle(0);
    HidLink::Close(handle);

    switch (end) {
      case SessionEnd::Stopped:
      case SessionEnd::CountReached:
        return kExitOk;
      case SessionEnd::OutputFailed:
        // Said, so that a full disk or a closed pipe is not a silent status 1.
        err << "swrctl: cannot write the readings to the output\n";
        return kExitFailure;
      case SessionEnd::Lost:
        break;
    }
    if (!options.follow) {
      err << "swrctl: lost the controller (unplugged?)\n";
      return kExitNoController;
    }
    // A session that read nothing at all is a controller that cannot be
    // read, not one that went away.
    Announce(s, s.reportsThisSession > 0 ? Link::Lost : Link::Unreadable);
    if (!env.wait(kPollMs)) break;
  }
  return kExitOk;
}

}  // namespace swrctl
