// The demo's transceiver driving the simulated controller.
#include <memory>

#include "device/bus/sim_controller.h"
#include "station/rig/demo_rig.h"
#include "station/rig/fake_rig.h"

namespace swrctl {
namespace {

std::unique_ptr<FakeRig>& TheRig() {
  static std::unique_ptr<FakeRig> rig;
  return rig;
}

}  // namespace

bool StartDemoRig(RigStateBox& box) {
  if (TheRig()) return true;
  TheRig() = std::make_unique<FakeRig>(box, [](bool keyed, double swr) {
    SimBus::SetTransmitter(keyed, swr);
  });
  TheRig()->Start();
  return true;
}

void StopDemoRig() {
  if (!TheRig()) return;
  TheRig().reset();
  SimBus::SetTransmitter(true, 0);
}

}  // namespace swrctl
