// The transmission detector against made-up streams of readings at the
// controller's pace: what counts as one transmission, when it ends, and
// what ends it early.
#include "station/log/detector.h"

#include <gtest/gtest.h>

#include "station/core/local_time.h"

#include <string>
#include <tuple>
#include <vector>

namespace station {
namespace {

constexpr std::int64_t kStepMs = 100;  // ten readings a second
constexpr std::int64_t kUnix0 = 1765000000000;

// One part of a stream: readings of `watts` on `sensor` for `ms`, or no
// readings at all, or the controller going away or coming back, or the wall
// clock stepped by `ms`.
struct Part {
  enum Kind { Readings, Silence, Unplug, Plug, WallStep } kind;
  std::int64_t ms;
  double watts;
  int sensor;
};

Part On(std::int64_t ms, double watts = 100, int sensor = 1) {
  return {Part::Readings, ms, watts, sensor};
}
Part Off(std::int64_t ms) { return {Part::Readings, ms, 0, 1}; }

struct Stream {
  std::vector<Transmission> tx;
  std::vector<HistorySecond> seconds;
};

Stream Feed(const std::vector<Part>& parts, DetectorConfig config = {}) {
  TransmissionDetector d(config);
  DetectorOutput out;
  std::int64_t t = 0, wall = kUnix0;
  for (const Part& p : parts) {
    if (p.kind == Part::Unplug || p.kind == Part::Plug) {
      d.OnLink(p.kind == Part::Plug, out);
      continue;
    }
    if (p.kind == Part::WallStep) {
      wall += p.ms;
      continue;
    }
    for (std::int64_t end = t + p.ms; t < end; t += kStepMs) {
      if (p.kind == Part::Readings) {
        LogReading r;
        r.unixMs = wall + t;
        r.steadyMs = t;
        r.time = FormatTimestamp(LocalTimeAt(r.unixMs, 60));
        r.sensor = p.sensor;
        r.power = p.watts;
        r.swr = p.watts > 0 ? 1.0 + p.watts / 1000 : 0;
        r.forward = static_cast<int>(p.watts);
        d.OnReading(r, out);
      }
      d.OnTick(t, out);
    }
  }
  d.Flush(out);
  return Stream{out.transmissions, out.seconds};
}

// A speaker: words of 300 ms with 200 ms between, a breath of 1.2 s after
// every tenth word.
std::vector<Part> Voice(int words) {
  std::vector<Part> parts;
  for (int i = 1; i <= words; ++i) {
    parts.push_back(On(300, 80 + i % 20));
    parts.push_back(Off(i % 10 == 0 ? 1200 : 200));
  }
  parts.push_back(Off(2000));
  return parts;
}

// FT8: 13 s on, 2 s off, per 15-s cycle.
std::vector<Part> Ft8(int cycles) {
  std::vector<Part> parts;
  for (int i = 0; i < cycles; ++i) {
    parts.push_back(On(13000, 25));
    parts.push_back(Off(2000));
  }
  return parts;
}

struct Case {
  const char* name;
  std::vector<Part> parts;
  DetectorConfig config;
  std::vector<bool> cutShort;  // one per expected transmission
  std::vector<int> sensors;    // empty: not checked
};

TEST(TransmissionDetector, RecognisesOvers) {
  DetectorConfig longHang;
  longHang.hangMs = 3000;
  DetectorConfig highThreshold;
  highThreshold.thresholdW = 50;
  const std::vector<Case> cases = {
      {"below the threshold", {On(5000, 0.9)}, {}, {}, {}},
      {"just above it", {Off(500), On(5000, 1.1), Off(3000)}, {}, {false}, {}},
      {"a higher threshold", {On(3000, 40), On(3000, 60), Off(3000)}, highThreshold, {false}, {}},
      {"a pause shorter than the hang", {On(3000), Off(1400), On(3000), Off(2000)}, {}, {false}, {}},
      {"a pause of the hang", {On(3000), Off(1600), On(3000), Off(2000)}, {}, {false, false}, {}},
      {"a longer hang bridges it", {On(3000), Off(2000), On(3000), Off(4000)}, longHang, {false}, {}},
      {"voice with pauses", Voice(40), {}, {false}, {}},
      {"voice, then the server stops", {On(300), Off(200), On(300), Off(1200), On(300)}, {},
       {true}, {}},
      {"FT8 cycles", Ft8(4), {}, {false, false, false, false}, {}},
      {"unplugged during an over", {On(3000), {Part::Unplug, 0, 0, 0}}, {}, {true}, {}},
      {"unplugged and back", {On(3000), {Part::Unplug, 0, 0, 0}, {Part::Plug, 0, 0, 0}, On(2000),
                              Off(2000)}, {}, {true, false}, {}},
      {"readings stop", {On(3000), {Part::Silence, 3000, 0, 0}, Off(2000)}, {}, {true}, {}},
      {"the server stops", {On(3000)}, {}, {true}, {}},
      {"another sensor", {On(3000, 100, 1), On(3000, 100, 2), Off(2000)}, {}, {false, false},
       {1, 2}},
  };
  for (const Case& c : cases) {
    const Stream run = Feed(c.parts, c.config);
    ASSERT_EQ(run.tx.size(), c.cutShort.size()) << c.name;
    for (std::size_t i = 0; i < run.tx.size(); ++i) {
      EXPECT_EQ(run.tx[i].cutShort, c.cutShort[i]) << c.name << " #" << i;
      if (!c.sensors.empty()) {
        EXPECT_EQ(run.tx[i].sensor, c.sensors[i]) << c.name << " #" << i;
      }
    }
  }
}

TEST(TransmissionDetector, FiguresOfAnOver) {
  // 2 s at 50 W, then 1 s at 120 W, 1 s at 60 W, then silence.
  const Stream run = Feed({Off(1000), On(2000, 50), On(1000, 120), On(1000, 60), Off(3000)});
  ASSERT_EQ(run.tx.size(), 1u);
  const Transmission& t = run.tx[0];
  EXPECT_EQ(t.startUnixMs, kUnix0 + 1000);
  EXPECT_EQ(t.endUnixMs, kUnix0 + 4900);  // the last reading above the threshold
  EXPECT_EQ(t.start, "2025-12-06T06:46:41.000+01:00");
  EXPECT_EQ(t.end, "2025-12-06T06:46:44.900+01:00");
  EXPECT_EQ(t.readings, 40);
  EXPECT_DOUBLE_EQ(t.peakPower, 120);
  EXPECT_DOUBLE_EQ(t.averagePower, (20 * 50 + 10 * 120 + 10 * 60) / 40.0);
  EXPECT_DOUBLE_EQ(*t.swrAtPeak, 1.12);
  EXPECT_DOUBLE_EQ(*t.maxSwr, 1.12);
  EXPECT_EQ(t.forwardAtPeak, 120);
  EXPECT_EQ(t.sensor, 1);
  EXPECT_FALSE(t.frequencyHz || t.band || t.mode);
}

// With the rig's PTT: power counts only while it is on, PTT off ends the
// transmission at once, and another band ends it and starts the next.
TEST(TransmissionDetector, FollowsTheRig) {
  TransmissionDetector d;
  DetectorOutput out;
  std::int64_t t = 0;
  const auto carrier = [&](std::int64_t ms) {
    for (std::int64_t end = t + ms; t < end; t += kStepMs) {
      LogReading r;
      r.unixMs = kUnix0 + t;
      r.steadyMs = t;
      r.sensor = 1;
      r.power = 100;
      r.swr = 1.5;
      d.OnReading(r, out);
      d.OnTick(t, out);
    }
  };
  d.OnRig({7100000, "40m", "CW", false}, out);
  carrier(500);
  EXPECT_FALSE(d.Transmitting()) << "power without PTT";
  d.OnRig({7100000, "40m", "CW", true}, out);
  carrier(1000);
  d.OnRig({14100000, "20m", "USB", true}, out);
  carrier(1000);
  d.OnRig({14100000, "20m", "USB", false}, out);
  EXPECT_FALSE(d.Transmitting()) << "PTT off ends it without the hang time";
  carrier(500);
  d.Flush(out);
  ASSERT_EQ(out.transmissions.size(), 2u);
  const Transmission& a = out.transmissions[0];
  const Transmission& b = out.transmissions[1];
  EXPECT_EQ(std::make_tuple(*a.frequencyHz, *a.band, *a.mode, a.cutShort),
            std::make_tuple(std::int64_t{7100000}, std::string("40m"), std::string("CW"), false));
  EXPECT_EQ(std::make_tuple(*b.frequencyHz, *b.band, b.startUnixMs, b.endUnixMs, b.cutShort),
            std::make_tuple(std::int64_t{14100000}, std::string("20m"), kUnix0 + 1500,
                            kUnix0 + 2400, false));
}

TEST(TransmissionDetector, FtCyclesLastTheirTransmitTime) {
  const Stream run = Feed(Ft8(3));
  ASSERT_EQ(run.tx.size(), 3u);
  for (const Transmission& t : run.tx) EXPECT_EQ(t.DurationMs(), 12900);
  EXPECT_EQ(run.tx[1].startUnixMs - run.tx[0].startUnixMs, 15000);
}

// The wall clock stepped during an over: the monotonic clock measures it,
// the start keeps the wall clock's time, the end is the start plus the
// duration; the next over takes the stepped clock's time.
TEST(TransmissionDetector, AWallClockStepChangesNoDuration) {
  for (const std::int64_t step : {-3600000LL, 3600000LL, -700LL, 86400000LL * 365}) {
    const Stream run = Feed({On(1500), {Part::WallStep, step, 0, 0}, On(1500), Off(2000), On(1000),
                             Off(2000)});
    ASSERT_EQ(run.tx.size(), 2u) << step;
    const Transmission& t = run.tx[0];
    EXPECT_EQ(t.startUnixMs, kUnix0) << step;
    EXPECT_EQ(t.DurationMs(), 2900) << step;
    EXPECT_EQ(t.end, FormatTimestamp(LocalTimeAt(kUnix0 + 2900, 60))) << step;
    EXPECT_EQ(run.tx[1].startUnixMs, kUnix0 + step + 5000) << step;
    EXPECT_EQ(run.tx[1].DurationMs(), 900) << step;
  }
}

TEST(TransmissionDetector, OneHistoryRowPerSecondWithReadings) {
  // 2.5 s of readings, 4 s without, 1 s again: no rows for the silence.
  const Stream run = Feed({On(1000, 10), On(1500, 30), {Part::Silence, 4000, 0, 0}, On(1000, 20)});
  const std::int64_t s0 = kUnix0 / 1000;
  const std::vector<std::pair<std::int64_t, double>> expected = {
      {s0, 10}, {s0 + 1, 30}, {s0 + 2, 30}, {s0 + 6, 20}, {s0 + 7, 20}};
  ASSERT_EQ(run.seconds.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(run.seconds[i].second, expected[i].first) << i;
    EXPECT_DOUBLE_EQ(*run.seconds[i].power, expected[i].second) << i;
  }
}

}  // namespace
}  // namespace station
