// swrctl: the controller from the command line. The HID bus linked in
// decides which controller it talks to (the real one or the simulated one).
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "tools/swrctl/console.h"
#include "tools/swrctl/swrctl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
  // Never destroyed: the thread that takes Ctrl+C may still hold it while
  // the process ends.
  swrctl::StopSignal& stop = *new swrctl::StopSignal;
  swrctl::Env env;
  env.watch.monotonicMs = [] {
    return static_cast<std::int64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now().time_since_epoch())
                                         .count());
  };
  env.watch.localTime = swrctl::LocalTimeNow;
  env.watch.wait = [&stop](long ms) { return stop.WaitFor(ms); };
  env.watch.stop = &stop;
  env.catchInterrupt = [&stop] { swrctl::CatchInterrupt(stop); };
  const int status = swrctl::Main(args, env, std::cout, std::cerr);
  std::cout.flush();
  return status;
}
