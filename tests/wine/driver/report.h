// Check reporting for the suite: groups, one line per failed check (and per
// passed check with --verbose), and a count of failures for the exit code.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace wt {

void SetVerbose(bool verbose);
void BeginGroup(const char* name);
void EndGroup();

// Thrown to end the current group at once, when the rest of its checks could
// only fail (the program cannot be reached or inspected, or the group ran out
// of time). The group runner catches it and goes on with the next group.
struct GroupAborted {
  std::string why;
};
// Records one failed check with `why`, prints it as the group's last line
// and throws GroupAborted.
[[noreturn]] void AbortGroup(const std::string& why);
// The time one group may take; once it is spent, the next check or wait
// aborts the group. 0 = no limit.
void SetGroupBudget(int ms);
// Asked after every failed check: a non-empty answer (e.g. "the program
// ended") means nothing more can be checked, and the group is aborted.
void SetLostWatch(std::function<std::string()> watch);
// Records one check; prints it when it failed (or always, when verbose).
bool Check(bool ok, const std::string& what);
bool CheckEq(const std::string& actual, const std::string& expected, const std::string& what);
bool CheckEq(long long actual, long long expected, const std::string& what);
void Note(const std::string& line);
int Failures();
int Checks();

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);
std::string Hex(const std::vector<std::uint8_t>& bytes);
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Polls `condition` every `stepMs` until it holds or `timeoutMs` passed (or
// the group's time is spent: then it aborts the group).
bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int stepMs = 10);

}  // namespace wt
