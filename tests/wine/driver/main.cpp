// The conformance driver: starts the program under test on the virtual bus,
// plays the user and checks what the program shows and sends.
//
//   swrpanel-wine-driver --program PATH [--cases panel|swrctl] [--shots DIR] [--seed N]
//                        [--only GROUP] [--verbose]
//
// --cases picks the cases for the program: the panel (the default) or the
// command-line companion.
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
    } else if (a == L"--verbose") {
      wt::SetVerbose(true);
    } else {
      std::fprintf(stderr, "usage: --program PATH [--cases panel|swrctl] [--shots DIR] [--seed N] [--only GROUP]"
                           " [--verbose]\n");
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
  std::string error;
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
  for (const Group* g = first; g != last; ++g) {
    if (!only.empty() && only != g->name) continue;
    g->run(suite);
  }
  suite.bus.SetInterfaces({});
  suite.bus.Stop();
  std::printf("%d checks, %d failed, %.1f s\n", wt::Checks(), wt::Failures(), (GetTickCount() - start) / 1000.0);
  std::printf(wt::Failures() == 0 ? "PASSED\n" : "FAILED\n");
  return wt::Failures() == 0 ? 0 : 1;
}
