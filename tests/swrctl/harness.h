// Runs swrctl in-process on whatever HID bus the test links, with a clock
// and waits the test controls.
#pragma once

#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "tools/swrctl/swrctl.h"

namespace harness {

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Each wait calls `onWait` (if set) with the number of waits so far
// (1 for the first) and then waits for real through the stop signal, at
// most `realWaitMs`; monotonic time advances `stepMs` per reading unless
// `clock` is set.
struct Harness {
  swrctl::StopSignal stop;
  swrctl::LocalTime time{2026, 12, 8, 18, 3, 12, 345, 60};
  std::function<void(int)> onWait;
  std::function<std::int64_t()> clock;
  std::int64_t now = 0;
  std::int64_t stepMs = 20;
  long realWaitMs = 0;
  int waits = 0;

  Outcome Run(const std::vector<std::string>& args) {
    swrctl::Env env;
    env.watch.monotonicMs = [this] { return clock ? clock() : (now += stepMs); };
    env.watch.localTime = [this] { return time; };
    env.watch.wait = [this](long) {
      ++waits;
      if (onWait) onWait(waits);
      return stop.WaitFor(realWaitMs);
    };
    env.watch.stop = &stop;
    std::ostringstream out;
    std::ostringstream err;
    Outcome o;
    o.status = swrctl::Main(args, env, out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
  }
};

inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace harness
