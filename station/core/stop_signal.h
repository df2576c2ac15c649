// How Ctrl+C reaches swrctl watch and the station service: a stop request
// that also wakes a read blocked on the controller and any wait between
// attempts.
#pragma once

#include <condition_variable>
#include <mutex>

#include "device/hid_link.h"

namespace station {

// How often a missing controller is looked for (the panel's supervision
// period), by watch and by the service's device loop: the wait between two
// attempts.
constexpr long kPollMs = 200;

class StopSignal {
 public:
  // Asks the watch to end and cancels a read on the published handle, once.
  // Callable from any thread, the watching one included.
  void RequestStop();
  // What Ctrl+C does, from a thread other than the watching one: asks the
  // watch to end and keeps cancelling the read until the watching thread has
  // let go of the handle. A cancel that comes just before the read starts
  // may not stick (on Windows it cancels only a read in progress).
  void Interrupt();
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

}  // namespace station
