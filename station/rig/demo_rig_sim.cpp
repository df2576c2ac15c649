// The demo's transceiver driving the simulated controller and logging its
// QSOs. A test that drives the controller itself (SWRCTL_DEMO_CONTROL=stdin)
// gets no transceiver keying it, unless it asks for one with
// SWRCTL_DEMO_RIG=on.
#include <cstdlib>
#include <memory>
#include <string>

#include "device/bus/sim_controller.h"
#include "station/rig/demo_rig.h"
#include "station/rig/fake_rig.h"

namespace station {
namespace {

std::unique_ptr<FakeRig>& TheRig() {
  static std::unique_ptr<FakeRig> rig;
  return rig;
}

}  // namespace

bool StartDemoRig(RigStateBox& box, std::function<void(const Qso&)> logQso) {
  if (TheRig()) return true;
  const char* control = std::getenv("SWRCTL_DEMO_CONTROL");
  const char* wanted = std::getenv("SWRCTL_DEMO_RIG");
  const bool underTest = control != nullptr && std::string(control) == "stdin";
  if (underTest && (wanted == nullptr || std::string(wanted) != "on")) return false;
  TheRig() = std::make_unique<FakeRig>(box, [](bool keyed, double swr) {
    SimBus::SetTransmitter(keyed, swr);
  }, std::move(logQso));
  TheRig()->Start();
  return true;
}

void StopDemoRig() {
  if (!TheRig()) return;
  TheRig().reset();
  SimBus::SetTransmitter(true, 0);
}

}  // namespace station
