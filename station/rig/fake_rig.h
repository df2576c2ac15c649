// The demo's simulated transceiver: a fixed tour of a few bands, keyed for
// a few seconds at a time, written into the same RigStateBox a rigctld link
// writes; the antenna's SWR per band that the simulated controller
// follows, one band (15 m) slowly worsening so the demo shows a drift
// warning and, with an alarm limit, an alarm; and a QSO logged over the
// overs of each stop, as WSJT-X would log it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

#include "station/core/qso_record.h"
#include "station/rig/rig_state.h"

namespace station {

// The transceiver `seconds` after the demo started: connected, on one band
// of the tour, PTT on for 6 s out of every 10.
RigState FakeRigAt(double seconds);

// The antenna's SWR on `band` at that time; 0 for an unknown band. 15 m
// rises by 0.125 a minute and starts over every 16 minutes.
double DemoSwr(const std::string& band, double seconds);

// The QSO of the tour's stop number `stop` (0 for the first) that began at
// wall time `startUnixMs`: FT8 on that stop's band, from the start of its
// first over to the end of its last. The calls have the prefix Q, which no
// country is given, so that no real station is ever named.
Qso DemoQso(long stop, std::int64_t startUnixMs);

// Writes FakeRigAt into `box` every 50 ms on a thread of its own and calls
// `follow` (keyed, antenna SWR) after each step, for the simulated
// controller to follow; at the end of each stop, `logQso` (when given)
// with that stop's DemoQso.
class FakeRig {
 public:
  using Follow = std::function<void(bool keyed, double antennaSwr)>;
  using LogQso = std::function<void(const Qso&)>;
  FakeRig(RigStateBox& box, Follow follow, LogQso logQso = nullptr);
  ~FakeRig();  // Stop()
  FakeRig(const FakeRig&) = delete;
  FakeRig& operator=(const FakeRig&) = delete;
  void Start();
  void Stop();

 private:
  void Run();

  RigStateBox& box_;
  Follow follow_;
  LogQso logQso_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace station
