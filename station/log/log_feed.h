// Feeds the live state's readings to the transmission detector and what it
// finishes to the station log, on a thread of its own: the device loop
// only ever notifies it, and it never touches the disk itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "station/core/live_state.h"
#include "station/log/detector.h"
#include "station/log/log_store.h"

namespace swrctl {

class LogFeed {
 public:
  LogFeed(LiveState& live, StationLog& log, DetectorConfig config)
      : live_(live), log_(log), detector_(config) {}
  ~LogFeed() { Stop(); }
  LogFeed(const LogFeed&) = delete;
  LogFeed& operator=(const LogFeed&) = delete;

  void Start();
  // Ends what is open (a transmission cut short) and hands it to the log.
  void Stop();

 private:
  void Run();

  LiveState& live_;
  StationLog& log_;
  TransmissionDetector detector_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
};

// The reading as the detector takes it.
LogReading ToLogReading(const Reading& reading);

}  // namespace swrctl
