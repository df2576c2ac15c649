// The conformance driver: starts the program under test on the virtual bus,
// plays the user and checks what the program shows and sends.
//
//   swrpanel-wine-driver --program PATH [--cases panel|swrctl] [--shots DIR] [--seed N]
//                        [--only GROUP] [--group-budget S] [--suite-budget S] [--verbose]
//
// --cases picks the cases for the program: the panel (the default) or the
// command-line companion. A group that cannot go on (the program cannot be
// reached or inspected) fails at once with one line; one that runs over its
// budget (90 s) is cut off the same way; once the suite's budget (300 s) is
// spent, the groups left are reported as not run and the driver ends.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "report.h"
#include "suite.h"

namespace {

struct Group {
  const char* name;
  void (*run)(wt::Suite&);
};

// Runs one group; a group aborted half-way is closed here.
void RunGroup(const Group& group, wt::Suite& suite, int budgetMs) {
  wt::SetGroupBudget(budgetMs);
  try {
    group.run(suite);
  } catch (const wt::GroupAborted&) {
    wt::EndGroup();
  }
  wt::SetGroupBudget(0);
  wt::SetLostWatch(nullptr);
}

int Seconds(const wchar_t* text) { return static_cast<int>(std::wcstoul(text, nullptr, 10)); }

const Group kGroups[] = {
    {"resources", wt::Resources},
    {"startup", wt::StartupWithoutController}, {"window", wt::MainWindowLook},
    {"values", wt::LiveValues},                {"commands", wt::UserCommands},
    {"link", wt::LinkSupervision},             {"bus", wt::BusEdges},
    {"dialogs", wt::SwrDialogs},               {"about", wt::AboutWindows},
    {"closing", wt::Shutdown},
};

const Group kSwrctlGroups[] = {
    {"status", wt::CtlStatus},
    {"commands", wt::CtlCommands},
    {"arguments", wt::CtlArguments},
    {"watch", wt::CtlWatch},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wt::Suite suite;
  suite.seed = GetTickCount() % 100000;
  std::string only;
  std::string cases = "panel";
  int groupBudget = 90, suiteBudget = 300;
  for (int i = 1; i < argc; ++i) {
    const std::wstring a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == L"--program" && hasValue) {
      suite.exe = argv[++i];
    } else if (a == L"--shots" && hasValue) {
      suite.shots = argv[++i];
    } else if (a == L"--seed" && hasValue) {
      suite.seed = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
    } else if (a == L"--cases" && hasValue) {
      cases = wt::Utf8(argv[++i]);
    } else if (a == L"--only" && hasValue) {
      only = wt::Utf8(argv[++i]);
    } else if (a == L"--group-budget" && hasValue) {
      groupBudget = Seconds(argv[++i]);
    } else if (a == L"--suite-budget" && hasValue) {
      suiteBudget = Seconds(argv[++i]);
    } else if (a == L"--verbose") {
      wt::SetVerbose(true);
    } else {
      std::fprintf(stderr, "usage: --program PATH [--cases panel|swrctl] [--shots DIR] [--seed N] [--only GROUP]"
                           " [--group-budget S] [--suite-budget S] [--verbose]\n");
      return 2;
    }
  }
  if (cases != "panel" && cases != "swrctl") {
    std::fprintf(stderr, "--cases must be panel or swrctl\n");
    return 2;
  }
  if (suite.exe.empty()) {
    std::fprintf(stderr, "--program is required\n");
    return 2;
  }
  std::printf("program under test: %s (seed %u)\n", wt::Utf8(suite.exe).c_str(), suite.seed);
  std::string error = wt::ArchitectureMismatch(suite.exe);
  if (!error.empty()) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  if (!suite.bus.Start(error)) {
    std::printf("FAIL: %s\n", error.c_str());
    return 1;
  }
  suite.controller = suite.bus.AddPipeDevice(wt::kControllerVendor, wt::kControllerProduct, 0x0100);
  suite.controllerB = suite.bus.AddPipeDevice(wt::kControllerVendor, wt::kControllerProduct, 0x0200);
  suite.swapped = suite.bus.AddFileDevice(wt::kControllerProduct, wt::kControllerVendor, 0x0100, false);
  suite.otherDevice = suite.bus.AddFileDevice(0x1234, 0x5678, 0x0001, false);
  suite.refusing = suite.bus.AddFileDevice(wt::kControllerVendor, wt::kControllerProduct, 0x0100, true);
  suite.filler = suite.bus.AddFileDevice(0x1209, 0x0001, 0x0001, false);

  const DWORD start = GetTickCount();
  const Group* first = cases == "panel" ? std::begin(kGroups) : std::begin(kSwrctlGroups);
  const Group* last = cases == "panel" ? std::end(kGroups) : std::end(kSwrctlGroups);
  std::string notRun;
  for (const Group* g = first; g != last; ++g) {
    if (!only.empty() && only != g->name) continue;
    if (static_cast<int>(GetTickCount() - start) >= suiteBudget * 1000) {
      notRun += notRun.empty() ? g->name : std::string(", ") + g->name;
      continue;
    }
    RunGroup(*g, suite, groupBudget * 1000);
  }
  if (!notRun.empty()) {
    wt::Check(false, wt::Format("the suite's time budget of %d s is spent; groups not run: %s", suiteBudget,
                                notRun.c_str()));
  }
  suite.bus.SetInterfaces({});
  suite.bus.Stop();
  std::printf("%d checks, %d failed, %.1f s\n", wt::Checks(), wt::Failures(), (GetTickCount() - start) / 1000.0);
  std::printf(wt::Failures() == 0 ? "PASSED\n" : "FAILED\n");
  return wt::Failures() == 0 ? 0 : 1;
}
