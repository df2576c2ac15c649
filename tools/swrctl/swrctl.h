// swrctl from its arguments to its exit status, with the console's parts
// (clock, Ctrl+C) passed in so that all of it runs in tests.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "tools/swrctl/watch.h"

namespace swrctl {
using namespace ::station;

struct Env {
  WatchEnv watch;
  // Called once before watching starts: routes Ctrl+C to watch.stop.
  std::function<void()> catchInterrupt;
};

// args: the arguments after the program name. Nothing reaches the
// controller unless the whole line is valid.
int Main(const std::vector<std::string>& args, Env& env, std::ostream& out, std::ostream& err);

// The text of --help, made from the tables of options_table.cpp.
std::string HelpText();

}  // namespace swrctl
