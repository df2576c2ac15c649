// The demo's simulated controller under a test's control. Only when
// SWRCTL_DEMO_CONTROL=stdin is set: then each line on standard input is
// one instruction, answered on standard output:
//   unplug | plug | rate N      -> "ok"
//   openfail 1 | openfail 0     -> "ok" (opens for writing fail, or work again)
//   received                    -> "received XX XX ..." per command, "end"
//   clear                       -> "ok" (forgets the received commands)
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "device/bus/sim_controller.h"
#include "tools/swrctl/command.h"
#include "station/core/demo_control.h"

namespace swrctl {

void StartDemoControl() {
  const char* control = std::getenv("SWRCTL_DEMO_CONTROL");
  if (control == nullptr || std::string(control) != "stdin") return;
  std::thread([] {
    for (std::string line; std::getline(std::cin, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::istringstream words(line);
      std::string word;
      words >> word;
      std::ostringstream answer;
      if (word == "unplug" || word == "plug") {
        SimBus::SetPlugged(word == "plug");
        answer << "ok\n";
      } else if (word == "rate") {
        int rate = 0;
        words >> rate;
        SimBus::SetReportRate(rate);
        answer << "ok\n";
      } else if (word == "openfail") {
        int fails = 0;
        words >> fails;
        SimBus::SetOpenFails(fails != 0);
        answer << "ok\n";
      } else if (word == "received") {
        for (const auto& report : SimBus::ReceivedCommands()) {
          answer << "received " << HexBytes(report.data(), report.size()) << '\n';
        }
        answer << "end\n";
      } else if (word == "clear") {
        SimBus::ClearReceivedCommands();
        answer << "ok\n";
      } else {
        answer << "unknown\n";
      }
      std::cout << answer.str() << std::flush;
    }
  }).detach();
}

const char* StationLogName() { return "demo-station.db"; }

}  // namespace swrctl
