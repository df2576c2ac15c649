// The suite's check reporting, group by group; see report.h.
#include "report.h"

#include <cstdarg>
#include <cstdio>
#include <exception>
#include <utility>

namespace wt {
namespace {

bool g_verbose = false;
int g_checks = 0;
int g_failures = 0;
int g_groupChecks = 0;
int g_groupFailures = 0;
std::string g_group;
DWORD g_groupStart = 0;
int g_groupBudgetMs = 0;
std::function<std::string()> g_lostWatch;

// Throws only when no exception is on its way already (a wait in a
// destructor during unwinding must simply go on).
void CheckBudget() {
  if (g_groupBudgetMs <= 0 || std::uncaught_exceptions() > 0) return;
  if (static_cast<int>(GetTickCount() - g_groupStart) < g_groupBudgetMs) return;
  AbortGroup(Format("the group ran over its time budget of %d s", g_groupBudgetMs / 1000));
}

}  // namespace

void SetVerbose(bool verbose) { g_verbose = verbose; }

void BeginGroup(const char* name) {
  g_group = name;
  g_groupChecks = g_groupFailures = 0;
  g_groupStart = GetTickCount();
  std::printf("== %s\n", name);
  std::fflush(stdout);
}

void SetGroupBudget(int ms) { g_groupBudgetMs = ms; }

void SetLostWatch(std::function<std::string()> watch) { g_lostWatch = std::move(watch); }

void AbortGroup(const std::string& why) {
  ++g_checks;
  ++g_groupChecks;
  ++g_failures;
  ++g_groupFailures;
  std::printf("   FAIL %s; the rest of this group is skipped\n", why.c_str());
  std::fflush(stdout);
  throw GroupAborted{why};
}

void EndGroup() {
  std::printf("   %s: %d checks, %d failed (%.1f s)\n", g_group.c_str(), g_groupChecks, g_groupFailures,
              (GetTickCount() - g_groupStart) / 1000.0);
  std::fflush(stdout);
}

bool Check(bool ok, const std::string& what) {
  if (!ok && g_lostWatch && std::uncaught_exceptions() == 0) {
    const std::string lost = g_lostWatch();
    if (!lost.empty()) AbortGroup(what + ": " + lost);
  }
  CheckBudget();
  ++g_checks;
  ++g_groupChecks;
  if (!ok) {
    ++g_failures;
    ++g_groupFailures;
  }
  constexpr int kShownPerGroup = 25;
  if (!ok && !g_verbose && g_groupFailures > kShownPerGroup) {
    if (g_groupFailures == kShownPerGroup + 1) std::printf("   (further failures of this group not shown)\n");
    return ok;
  }
  if (!ok || g_verbose) {
    std::printf("   %s %s\n", ok ? "ok  " : "FAIL", what.c_str());
    std::fflush(stdout);
  }
  return ok;
}

bool CheckEq(const std::string& actual, const std::string& expected, const std::string& what) {
  if (actual == expected) return Check(true, what);
  return Check(false, what + ": got \"" + actual + "\", expected \"" + expected + "\"");
}

bool CheckEq(long long actual, long long expected, const std::string& what) {
  if (actual == expected) return Check(true, what);
  return Check(false, Format("%s: got %lld (0x%llx), expected %lld (0x%llx)", what.c_str(), actual,
                             actual, expected, expected));
}

void Note(const std::string& line) {
  std::printf("   %s\n", line.c_str());
  std::fflush(stdout);
}

int Failures() { return g_failures; }
int Checks() { return g_checks; }

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Hex(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    out += Format(i ? " %02x" : "%02x", bytes[i]);
  }
  return out;
}

std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int stepMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    CheckBudget();
    if (condition()) return true;
    if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return condition();
    Sleep(static_cast<DWORD>(stepMs));
  }
}

}  // namespace wt
