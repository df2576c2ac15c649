// Feeds the live state's readings and the rig's state to the transmission
// detector, what it finishes to the station log and the antenna's health,
// and each reading to the SWR alarm, on a thread of its own: the device
// loop only ever notifies it, and it never touches the disk itself.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "station/core/live_state.h"
#include "station/health/station_watch.h"
#include "station/log/detector.h"
#include "station/log/log_store.h"

namespace station {

class LogFeed {
 public:
  // `log` and `watch` may be null: no log kept, no rig, health or alarm.
  LogFeed(LiveState& live, StationLog* log, StationWatch* watch, DetectorConfig config)
      : live_(live), log_(log), watch_(watch), detector_(config) {}
  ~LogFeed() { Stop(); }
  LogFeed(const LogFeed&) = delete;
  LogFeed& operator=(const LogFeed&) = delete;

  void Start();
  // Ends what is open (a transmission cut short) and hands it to the log.
  void Stop();

 private:
  void Run();
  void FollowRig(DetectorOutput& out);
  void Alarm(const Reading& reading);
  void Hand(DetectorOutput out);

  LiveState& live_;
  StationLog* log_;
  StationWatch* watch_;
  std::uint64_t rigChanges_ = 0;
  TransmissionDetector detector_;
  std::thread thread_;
  Subscription subscription_;
  std::mutex mutex_;
  std::condition_variable wake_;
  Changes pending_ = 0;  // told by the live state, not yet looked at
  bool stopping_ = false;
};

// The reading as the detector takes it.
LogReading ToLogReading(const Reading& reading);

}  // namespace station
