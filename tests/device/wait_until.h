// Bounded waiting for a condition another thread brings about.
#pragma once

#include <chrono>
#include <thread>

namespace testwait {

// Polls `condition` every millisecond; false if it did not hold within
// `limit`.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace testwait
