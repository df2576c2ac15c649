// The service's device loop; see device_loop.h.
#include "station/core/device_loop.h"

#include <ostream>

#include "device/hid_link.h"
#include "device/reports.h"
#include "station/core/clock.h"

namespace station {
namespace {

enum class Said { Nothing, Waiting, Unopenable, Connected, Lost };

void Say(std::ostream& err, Said& said, Said now) {
  if (now == said) return;
  const Said before = said;
  said = now;
  switch (now) {
    case Said::Waiting:
      if (before != Said::Lost) err << "swrctl: waiting for the controller\n";
      break;
    case Said::Unopenable:
      err << "swrctl: the controller cannot be opened for reading; retrying\n";
      break;
    case Said::Connected:
      err << "swrctl: controller connected\n";
      break;
    case Said::Lost:
      err << "swrctl: lost the controller; waiting for it\n";
      break;
    case Said::Nothing:
      break;
  }
  err.flush();
}

// A step of the wall clock, seen between two readings or two attempts to
// open the controller: said once, and the live history moved with it.
void LookAtClock(WallClockWatch& clock, LiveState& live, std::int64_t unixMs,
                 std::int64_t steadyMs, std::ostream& err) {
  const std::int64_t step = clock.Look(unixMs, steadyMs);
  if (step == 0) return;
  live.WallClockStepped(step);
  err << ClockStepLine(step) << '\n';
  err.flush();
}

}  // namespace

void RunDeviceLoop(LiveState& live, DeviceLoopEnv& env, std::ostream& err) {
  Said said = Said::Nothing;
  WallClockWatch clock;
  while (!env.stop->StopRequested()) {
    LookAtClock(clock, live, env.unixMs(), env.steadyMs(), err);
    const HidLink::Handle handle =
        HidLink::Open(swr::ControllerProductId, swr::ControllerVendorId);
    if (handle == 0) {
      live.SetConnected(false);
      const bool present = HidLink::IsPresent(swr::ControllerProductId, swr::ControllerVendorId);
      if (said != Said::Lost || present) Say(err, said, present ? Said::Unopenable : Said::Waiting);
      if (!env.wait(kPollMs)) break;
      continue;
    }
    // Connected once the controller is open, so that a controller that
    // sends nothing shows as connected without data, not as missing.
    live.SetConnected(true);
    Say(err, said, Said::Connected);
    env.stop->PublishReadHandle(handle);
    for (;;) {
      swr::InputReport report{};
      const int n = HidLink::Read(handle, report.data(), static_cast<int>(report.size()));
      if (env.stop->StopRequested() || n <= 0) break;
      const std::int64_t unixMs = env.unixMs(), steadyMs = env.steadyMs();
      LookAtClock(clock, live, unixMs, steadyMs, err);
      live.Publish(report.data(), unixMs, steadyMs, FormatTimestamp(env.localTime()));
    }
    env.stop->PublishReadHandle(0);
    HidLink::Close(handle);
    if (env.stop->StopRequested()) break;
    live.SetConnected(false);
    Say(err, said, Said::Lost);
    if (!env.wait(kPollMs)) break;
  }
}

}  // namespace station
