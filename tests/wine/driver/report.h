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

// Polls `condition` every `stepMs` until it holds or `timeoutMs` passed.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs, int stepMs = 10);

}  // namespace wt
