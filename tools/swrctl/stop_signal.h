// How Ctrl+C reaches swrctl watch: a stop request that also wakes a read
// blocked on the controller and any wait between attempts.
#pragma once

#include <condition_variable>
#include <mutex>

#include "device/hid_link.h"

namespace swrctl {

class StopSignal {
 public:
  // From any thread but the watching one (the console's interrupt handler).
  // Cancels the read on the published handle, if there is one.
  void RequestStop();
  bool StopRequested();

  // The handle the watching thread reads on; 0 before it closes the handle,
  // so a stop request never touches a closed (or reused) handle.
  void PublishReadHandle(HidLink::Handle handle);

  // Waits up to `ms` milliseconds; false when a stop was requested.
  bool WaitFor(long ms);

 private:
  std::mutex mutex_;
  std::condition_variable woken_;
  bool stopped_ = false;
  HidLink::Handle readHandle_ = 0;
};

}  // namespace swrctl
