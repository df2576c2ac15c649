// The demo transceiver's tour, its antenna and the stations it works, as
// data.
#include "station/rig/fake_rig.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <string>

#include "station/core/clock.h"

namespace station {
namespace {

struct Stop {
  std::int64_t hz;
  const char* mode;
  int passbandHz;
};

// 30 s on each, in this order, round and round.
constexpr Stop kTour[] = {
    {7'100'000, "LSB", 2400},
    {14'074'000, "PKTUSB", 3000},
    {21'250'000, "USB", 2400},
    {3'650'000, "LSB", 2400},
};
constexpr double kStopSeconds = 30.0;
constexpr double kCycleSeconds = 10.0;  // PTT on for the first kKeyedSeconds
constexpr double kKeyedSeconds = 6.0;

struct Antenna {
  const char* band;
  double swr;
  double risePerMinute;  // the worsening band's drift
  double maxSwr;
};
constexpr Antenna kAntenna[] = {
    {"80m", 1.6, 0, 1.6},
    {"40m", 1.3, 0, 1.3},
    {"20m", 1.2, 0, 1.2},
    {"15m", 1.4, 0.125, 3.5},
};
constexpr double kRepairSeconds = 16 * 60;

// The stations the demo works, one per stop, round and round: made-up
// calls (prefix Q) with real grid squares and FT8 reports.
struct Worked {
  const char* call;
  const char* grid;
  const char* sent;
  const char* received;
};
constexpr Worked kWorked[] = {
    {"Q1DEMO", "JO22", "-08", "-12"}, {"Q2SIM", "FN42", "-15", "-10"},
    {"Q3TEST", "IO91", "+02", "-05"}, {"Q4XYZ", "PM95", "-19", "-17"},
    {"Q5ZZ", "QF56", "-11", "+01"},   {"Q6QRP", "KP20", "-03", "-09"},
};
// A stop's three overs: from the first's start to the last's end.
constexpr double kQsoSeconds = 2 * kCycleSeconds + kKeyedSeconds;

}  // namespace

RigState FakeRigAt(double seconds) {
  seconds = std::max(seconds, 0.0);
  const std::size_t stops = sizeof kTour / sizeof kTour[0];
  const Stop& stop = kTour[static_cast<std::size_t>(seconds / kStopSeconds) % stops];
  RigState state;
  state.connected = true;
  state.frequencyHz = stop.hz;
  state.mode = stop.mode;
  state.passbandHz = stop.passbandHz;
  state.ptt = std::fmod(seconds, kCycleSeconds) < kKeyedSeconds;
  SetBand(state);
  return state;
}

double DemoSwr(const std::string& band, double seconds) {
  for (const Antenna& a : kAntenna) {
    // The drift starts over every kRepairSeconds, as if someone fixed the
    // connector, so a long demo shows the warning clear and come back.
    const double drifting = std::fmod(std::max(seconds, 0.0), kRepairSeconds);
    if (band == a.band) return std::min(a.swr + a.risePerMinute * drifting / 60.0, a.maxSwr);
  }
  return 0;
}

Qso DemoQso(long stop, std::int64_t startUnixMs) {
  const std::size_t n = sizeof kWorked / sizeof kWorked[0];
  const Worked& w = kWorked[static_cast<std::size_t>(std::max(stop, 0L)) % n];
  const RigState rig = FakeRigAt(static_cast<double>(std::max(stop, 0L)) * kStopSeconds);
  Qso q;
  q.call = w.call;
  q.grid = w.grid;
  q.band = rig.band;
  q.frequencyHz = rig.frequencyHz;
  q.mode = "FT8";
  q.reportSent = w.sent;
  q.reportReceived = w.received;
  q.timeOnMs = startUnixMs;
  q.timeOffMs = startUnixMs + static_cast<std::int64_t>(kQsoSeconds * 1000);
  q.sender = "demo";
  return q;
}

FakeRig::FakeRig(RigStateBox& box, Follow follow, LogQso logQso)
    : box_(box), follow_(std::move(follow)), logQso_(std::move(logQso)) {}

FakeRig::~FakeRig() { Stop(); }

void FakeRig::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
}

// The stop's QSO is logged once the tour has moved on, a few seconds after
// its last over, as an operator would log it.
void FakeRig::Run() {
  const auto start = std::chrono::steady_clock::now();
  const std::int64_t startUnixMs = UnixNowMs();
  long stop = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const RigState state = FakeRigAt(t);
    const long now = static_cast<long>(t / kStopSeconds);
    lock.unlock();
    box_.Store(state);
    if (follow_) follow_(state.ptt.value_or(false), DemoSwr(state.band, t));
    if (now != stop && logQso_) {
      logQso_(DemoQso(stop, startUnixMs + static_cast<std::int64_t>(stop * kStopSeconds * 1000)));
    }
    stop = now;
    lock.lock();
    wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return stop_; });
  }
}

void FakeRig::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
  box_.Store(RigState{});
}

}  // namespace station
