// What the station log needs from the operating system: where its file
// lives by default, and a lock that keeps a second server off the file for
// as long as the first one runs (readers do not take it). One realisation
// per platform: log_platform_posix.cpp, log_platform_win32.cpp.
#pragma once

#include <string>

namespace station {

// The directory of the station log: $XDG_STATE_HOME/swrpanel (or
// ~/.local/state/swrpanel) on Linux, %LOCALAPPDATA%\swrpanel on Windows;
// empty when the environment tells none.
std::string DefaultLogDirectory();
// That directory and `name` joined; empty when there is no directory.
std::string DefaultLogPath(const std::string& name);

// An exclusive lock on PATH + ".lock", held until destroyed. The lock goes
// with the process, so a killed server leaves none behind.
class LogFileLock {
 public:
  LogFileLock() = default;
  ~LogFileLock();
  LogFileLock(const LogFileLock&) = delete;
  LogFileLock& operator=(const LogFileLock&) = delete;

  // false with `held` true when another process holds it; false with
  // `error` set when the lock file cannot be made.
  bool Acquire(const std::string& logPath, bool& held, std::string& error);

 private:
  long long handle_ = -1;
};

}  // namespace station

namespace station {

// Reads up to `size` bytes from the start of the file (UTF-8 path); the
// number read, or -1 when it cannot be opened (missing).
int ReadFileStart(const std::string& path, char* buffer, int size);

// Makes the directory and its parents (UTF-8 path); false with `error`.
bool MakeLogDirectory(const std::string& dir, std::string& error);

// Standard output passes bytes as they are (on Windows it would make CRLF
// of every LF), for a file written there byte for byte.
void BinaryStandardOutput();

}  // namespace station
