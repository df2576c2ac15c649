// A console program under test: started with the stand-in libraries, its
// standard output and error collected through pipes while it runs, its exit
// code waited for with a bound.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

namespace wt {

class ConsoleProgram {
 public:
  ConsoleProgram() = default;
  ~ConsoleProgram();
  ConsoleProgram(const ConsoleProgram&) = delete;
  ConsoleProgram& operator=(const ConsoleProgram&) = delete;

  // Starts `exe` with `args` (each quoted as needed); standard input is empty.
  bool Start(const std::wstring& exe, const std::vector<std::string>& args, std::string& error);
  // true when the process ended within the time; its exit code in `code`.
  // The output collected so far is complete once this returned true.
  bool WaitExit(int timeoutMs, DWORD& code);
  void Kill();

  std::string Out() const;
  std::string Err() const;

 private:
  struct Stream {
    HANDLE read = nullptr;
    HANDLE thread = nullptr;
    std::string text;
  };
  static DWORD WINAPI Collect(LPVOID stream);
  void Finish(Stream& stream);

  HANDLE process_ = nullptr;
  Stream out_;
  Stream err_;
  static std::mutex mutex_;
};

// The lines of an output text, without their line ends ("\n" or "\r\n").
std::vector<std::string> Lines(const std::string& text);

}  // namespace wt
