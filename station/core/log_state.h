// What the status tells about the station log.
#pragma once

#include <cstdint>
#include <string>

namespace station {

struct LogState {
  std::string file;
  bool recording = false;
  std::uint64_t secondsLost = 0;  // seconds of readings that could not be recorded
  std::string error;              // why it is not recording; empty when it is
};

}  // namespace station
