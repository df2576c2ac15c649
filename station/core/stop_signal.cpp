// The stop request behind Ctrl+C and SIGTERM; see stop_signal.h.
#include "station/core/stop_signal.h"

#include <chrono>

#include "device/bus/hid_bus.h"

namespace station {
namespace {
// How often Interrupt repeats the cancel while the read has not ended.
constexpr long kCancelRetryMs = 20;
}  // namespace

void StopSignal::RequestStop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopped_ = true;
  if (readHandle_ != 0) HidBus::CancelRead(readHandle_);
  woken_.notify_all();
}

void StopSignal::Interrupt() {
  std::unique_lock<std::mutex> lock(mutex_);
  stopped_ = true;
  woken_.notify_all();
  // The handle cannot be closed while it is published and the lock is held,
  // so every cancel lands on the open handle.
  while (readHandle_ != 0) {
    HidBus::CancelRead(readHandle_);
    woken_.wait_for(lock, std::chrono::milliseconds(kCancelRetryMs),
                    [this] { return readHandle_ == 0; });
  }
}

bool StopSignal::StopRequested() {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}

void StopSignal::PublishReadHandle(HidLink::Handle handle) {
  std::lock_guard<std::mutex> lock(mutex_);
  readHandle_ = handle;
  woken_.notify_all();
}

bool StopSignal::WaitFor(long ms) {
  std::unique_lock<std::mutex> lock(mutex_);
  woken_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
  return !stopped_;
}

}  // namespace station
