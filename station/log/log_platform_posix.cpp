// The station log's place and lock on Linux: the XDG state directory and
// flock(2) on a lock file beside the log.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "station/log/log_platform.h"

namespace station {

std::string DefaultLogDirectory() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (state != nullptr && state[0] == '/') return std::string(state) + "/swrpanel";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/state/swrpanel";
  return "";
}

std::string DefaultLogPath(const std::string& name) {
  const std::string dir = DefaultLogDirectory();
  return dir.empty() ? "" : dir + "/" + name;
}

LogFileLock::~LogFileLock() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

bool LogFileLock::Acquire(const std::string& logPath, bool& held, std::string& error) {
  held = false;
  const std::string path = logPath + ".lock";
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    held = errno == EWOULDBLOCK;
    if (!held) error = "cannot lock " + path + ": " + std::strerror(errno);
    close(fd);
    return false;
  }
  handle_ = fd;
  return true;
}

}  // namespace station

#include <filesystem>
#include <system_error>

namespace station {

int ReadFileStart(const std::string& path, char* buffer, int size) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  int got = 0;
  while (got < size) {
    const ssize_t n = read(fd, buffer + got, static_cast<std::size_t>(size - got));
    if (n <= 0) break;
    got += static_cast<int>(n);
  }
  close(fd);
  return got;
}

bool MakeLogDirectory(const std::string& dir, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) error = "cannot create the directory " + dir + ": " + ec.message();
  return !ec;
}

void BinaryStandardOutput() {}

}  // namespace station
