// Bounded waiting for a condition another thread brings about.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
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

// Turns a hang into a failure. When Progress() has not been called for
// `limit`, the watchdog calls `rescue` once (which must unblock whatever is
// stuck) and Stuck() turns true. Finish() (or the destructor) stops it.
class Watchdog {
 public:
  explicit Watchdog(std::function<void()> rescue,
                    std::chrono::milliseconds limit = std::chrono::seconds(10))
      : rescue_(std::move(rescue)), limit_(limit) {
    thread_ = std::thread([this] { Watch(); });
  }
  ~Watchdog() { Finish(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  void Progress() { ++progress_; }
  bool Stuck() const { return stuck_; }
  void Finish() {
    finished_ = true;
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Watch() {
    while (!finished_) {
      const int seen = progress_;
      if (!WaitUntil([&] { return finished_ || progress_ != seen; }, limit_)) {
        stuck_ = true;
        rescue_();
        return;
      }
    }
  }

  std::function<void()> rescue_;
  std::chrono::milliseconds limit_;
  std::atomic<int> progress_{0};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stuck_{false};
  std::thread thread_;
};

}  // namespace testwait
