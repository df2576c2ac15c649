// A station log file of a test's own in the test's temporary directory: gone
// before the test uses it and, with its -wal, -shm and .lock files, when the
// test program ends, passed or failed (a forked child leaves by _exit and
// does not remove them).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace station {

inline void RemoveTempLog(const std::string& path) {
  for (const char* suffix : {"", "-wal", "-shm", ".lock"}) std::remove((path + suffix).c_str());
}

inline std::string TempLog(const std::string& name) {
  struct Made {
    std::vector<std::string> paths;
    ~Made() {
      for (const std::string& path : paths) RemoveTempLog(path);
    }
  };
  static Made made;
  const std::string path = testing::TempDir() + "swrpanel-" + name + ".db";
  RemoveTempLog(path);
  made.paths.push_back(path);
  return path;
}

}  // namespace station
