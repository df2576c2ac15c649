// The demo's simulated controller under a test's control. Only when
// SWRCTL_DEMO_CONTROL=stdin is set: then each line on standard input is
// one instruction, answered on standard output:
//   unplug | plug | rate N      -> "ok"
//   openfail 1 | openfail 0     -> "ok" (opens for writing fail, or work again)
//   received                    -> "received XX XX ..." per command, "end"
//   clear                       -> "ok" (forgets the received commands)
//   tx on | tx off              -> "ok" (the transmitter sends a carrier, or
//                                  nothing, until told otherwise)
//   tx auto                     -> "ok" (back to the station's own overs)
//   swr X                       -> "ok" (the antenna's SWR is X from now on;
//                                  0: the sensor's own match again)
// Anything else is answered "unknown".
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "device/bus/sim_controller.h"
#include "station/core/command.h"
#include "station/core/demo_control.h"

namespace station {

std::string DemoControlAnswer(const std::string& instruction) {
  std::istringstream words(instruction);
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
  } else if (word == "tx") {
    std::string how;
    words >> how;
    const bool known = how == "on" || how == "off" || how == "auto";
    if (known) {
      SimBus::SetKeying(how == "on"    ? SimBus::Keying::Carrier
                        : how == "off" ? SimBus::Keying::Idle
                                       : SimBus::Keying::Overs);
    }
    answer << (known ? "ok\n" : "unknown\n");
  } else if (word == "swr") {
    double swr = -1;
    words >> swr;
    const bool known = swr == 0 || (swr >= 1 && swr <= 10);
    if (known) SimBus::SetTransmitter(true, swr);
    answer << (known ? "ok\n" : "unknown\n");
  } else {
    answer << "unknown\n";
  }
  return answer.str();
}

void StartDemoControl() {
  const char* control = std::getenv("SWRCTL_DEMO_CONTROL");
  if (control == nullptr || std::string(control) != "stdin") return;
  std::thread([] {
    for (std::string line; std::getline(std::cin, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::cout << DemoControlAnswer(line) << std::flush;
    }
  }).detach();
}

const char* StationLogName() { return "demo-station.db"; }

}  // namespace station
