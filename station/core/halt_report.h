// A request to stop the transmitter, as the alarm's recorder asks it of a
// link to the software that keys the transmitter, and the link's reports on it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace station {

// A halt's sender: posts the request and returns; `done` is called (on the
// sender's thread) with each outcome: "sent", then for rigctld "answered"
// or "failed". `steadyMs` of the outcome is on the monotonic clock.
struct HaltReport {
  std::string outcome;
  std::string detail;
  std::int64_t unixMs = 0;
  std::int64_t steadyMs = 0;
};
struct Halter {
  std::string target;  // "rigctld", "wsjtx"
  std::function<void(std::function<void(const HaltReport&)> done)> request;
};

}  // namespace station
