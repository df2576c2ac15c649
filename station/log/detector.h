// Recognises transmissions ("overs") in the stream of readings and sums the
// readings up per second, for the station log. Pure: it is fed readings,
// link changes and clock ticks and hands back what is finished; it never
// reads a clock or touches a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace station {

// One reading as the detector needs it.
struct LogReading {
  std::int64_t unixMs = 0;
  std::int64_t steadyMs = 0;
  std::string time;  // local ISO 8601, as the live state stamps it
  int sensor = 0;    // 1..3; 0 when unknown
  std::optional<double> power;  // watts
  std::optional<double> swr;
  int forward = 0;
  int reflected = 0;
};

// One finished transmission; the frequency, band, mode and antenna stay
// empty until something tells them. Its start is the wall clock's at its
// first reading; its duration is measured by the monotonic clock, and its
// end is the start plus that duration, so that a step of the wall clock
// during it changes neither.
struct Transmission {
  std::int64_t id = 0;  // given by the store; 0 before
  std::int64_t startUnixMs = 0;
  std::int64_t endUnixMs = 0;
  std::string start;  // local ISO 8601
  std::string end;
  int sensor = 0;
  double peakPower = 0;
  double averagePower = 0;
  std::optional<double> maxSwr;
  std::optional<double> swrAtPeak;
  int forwardAtPeak = 0;
  int reflectedAtPeak = 0;
  long readings = 0;
  bool cutShort = false;
  std::optional<std::int64_t> frequencyHz;
  std::optional<std::string> band;
  std::optional<std::string> mode;
  std::optional<int> antenna;  // the antenna selected as it started (N1MM's 0-63)
  std::int64_t DurationMs() const { return endUnixMs - startUnixMs; }
};

// The highest power and SWR of the readings of one second (unix seconds).
struct HistorySecond {
  std::int64_t second = 0;
  std::optional<double> power;
  std::optional<double> swr;
};

// What the transceiver tells about the transmissions: where it is tuned
// and, when it reports one, its PTT.
struct RigInfo {
  std::optional<std::int64_t> frequencyHz;
  std::string band;  // empty outside every band or without a rig
  std::string mode;
  std::optional<bool> ptt;  // none: the power threshold alone decides
  std::optional<int> antenna = std::nullopt;
};

struct DetectorConfig {
  // Above this net power (watts) the active sensor is transmitting.
  double thresholdW = 1.0;
  // Below the threshold this long (ms) ends a transmission: longer than the
  // pauses between a speaker's words, shorter than FT8's 2 s between cycles.
  std::int64_t hangMs = 1500;
  // No reading for this long (ms) means the readings stopped.
  std::int64_t staleMs = 1000;
};

struct DetectorOutput {
  std::vector<Transmission> transmissions;
  std::vector<HistorySecond> seconds;
  bool empty() const { return transmissions.empty() && seconds.empty(); }
};

class TransmissionDetector {
 public:
  explicit TransmissionDetector(DetectorConfig config = {}) : config_(config) {}

  void OnReading(const LogReading& reading, DetectorOutput& out);
  // The controller came or went; going away ends a transmission, cut short.
  void OnLink(bool connected, DetectorOutput& out);
  // The rig's state changed. Readings above the threshold count only while
  // a reported PTT is on; PTT going off, another band or another antenna
  // ends what is open.
  void OnRig(const RigInfo& rig, DetectorOutput& out);
  // Time passes without readings: ends what the hang time or the stale
  // limit ends.
  void OnTick(std::int64_t steadyMs, DetectorOutput& out);
  // Ends everything open now (the server stops): a transmission cut short
  // and the current second.
  void Flush(DetectorOutput& out);

  bool Transmitting() const { return open_.has_value(); }

 private:
  struct Over {
    Transmission record;
    double sum = 0;
    std::int64_t startSteadyMs = 0;
    std::int64_t lastAboveSteadyMs = 0;
    int utcOffsetMinutes = 0;  // the start's, for the end's local time
  };
  void Finish(bool cutShort, DetectorOutput& out);
  void FinishSecond(DetectorOutput& out);
  void Count(const LogReading& reading);

  DetectorConfig config_;
  RigInfo rig_;
  std::optional<Over> open_;
  std::optional<HistorySecond> second_;
  std::optional<std::int64_t> lastReadingSteadyMs_;
};

}  // namespace station
