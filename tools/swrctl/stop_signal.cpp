#include "tools/swrctl/stop_signal.h"

#include <chrono>

#include "device/hid_bus.h"

namespace swrctl {

void StopSignal::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  if (readHandle_ != 0) HidBus::CancelRead(readHandle_);
  woken_.notify_all();
}

bool StopSignal::StopRequested() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}

void StopSignal::PublishReadHandle(HidLink::Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  readHandle_ = handle;
}

bool StopSignal::WaitFor(long ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  woken_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
  return !stopped_;
}

}  // namespace swrctl
