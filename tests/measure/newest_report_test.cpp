// Reading the newest report, on a clock the test drives: when a run of
// reads ends, and what the reader shows against a modelled HID input queue
// (bounded, oldest first) at several report rates, after a change of rate,
// and for a reader without a pause that falls behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "measure/newest_report.h"

namespace {

using namespace std::chrono_literals;
using swr::ReadClock;

struct FakeClock {
  static ReadClock::time_point now() { return t; }
  static inline ReadClock::time_point t{};
};

struct ScriptedRead {
  int bytes;
  ReadClock::duration takes;
};

// A rate learnt from two passes of `reads` reports over `over` each, the
// second ended at the fake clock's now.
swr::ReportRate RateOf(int reads, ReadClock::duration over) {
  swr::ReportRate rate;
  swr::ReadRun before;
  before.end = FakeClock::t - 2 * over;
  rate.Record(before);
  for (const ReadClock::time_point end : {FakeClock::t - over, FakeClock::t}) {
    swr::ReadRun pass;
    pass.reads = reads;
    pass.end = end;
    rate.Record(pass);
  }
  return rate;
}

TEST(ReadNewest, ReadsWhileQueuedAndShowsBeforeAReadThatMayWait) {
  const ReadClock::duration queued = 20us;
  struct Case {
    const char* name;
    int rateReads;  // reports per 20 ms before the pass (0: no rate known)
    std::vector<ScriptedRead> script;
    int reads;
    std::vector<int> shown;  // the report (counted from 1) in the buffer at each show
    bool waited, failed;
  };
  const std::vector<ScriptedRead> allQueued(400, {9, queued});
  const std::vector<ScriptedRead> fast(400, {9, 300us});
  const Case cases[] = {
      {"a read that waits", 0, {{9, 40ms}, {9, queued}}, 1, {1}, true, false},
      {"waiting exactly the threshold", 0, {{9, swr::kFreshAfter}}, 1, {1}, true, false},
      // Ten reports per 20 ms: after the pause ten are expected queued.
      {"the expected queue, then a wait", 10,
       {{9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, queued},
        {9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, 1ms}},
       11, {10, 11}, true, false},
      {"more queued than expected", 4,
       {{9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, queued}, {9, 1ms}},
       7, {4, 5, 6, 7}, true, false},
      {"no rate known: each queued one before the next read", 0,
       {{9, queued}, {9, queued}, {9, 3ms}}, 3, {1, 2, 3}, true, false},
      {"a failure after reports shows the last again", 0, {{9, queued}, {0, queued}}, 1, {1, 1},
       false, true},
      {"a failure first", 0, {{0, 1ms}}, 0, {0}, false, true},
      {"a held-up read amid the expected queue", 5,
       {{9, queued}, {9, 2ms}, {9, queued}, {9, queued}, {9, queued}, {9, 1ms}}, 6, {2, 5, 6},
       true, false},
      {"a stack that always has a report", 40, allQueued, swr::kMaxReadsPerPass, {0}, false,
       false},
      {"reports faster than a read waits", 400, fast, 27, {0}, false, false},
  };
  for (const Case& c : cases) {
    FakeClock::t = ReadClock::time_point{} + 1s;
    swr::ReportRate rate = c.rateReads > 0 ? RateOf(c.rateReads, 20ms) : swr::ReportRate();
    FakeClock::t += 20ms;  // the pause
    std::size_t next = 0;
    int inBuffer = 0;
    std::vector<int> shown;
    const swr::ReadRun run = swr::ReadNewest<FakeClock>(
        rate,
        [&](bool) {
          const ScriptedRead r = c.script.at(next++);
          FakeClock::t += r.takes;
          if (r.bytes > 0) inBuffer = static_cast<int>(next);
          return r.bytes;
        },
        [&] { shown.push_back(inBuffer); });
    EXPECT_EQ(run.reads, c.reads) << c.name;
    if (c.shown != std::vector<int>{0}) {
      EXPECT_EQ(shown, c.shown) << c.name;
    } else {
      EXPECT_EQ(shown.back(), run.reads) << c.name;  // the pass ends on the newest
    }
    EXPECT_EQ(run.shows, static_cast<int>(shown.size())) << c.name;
    EXPECT_EQ(run.waited, c.waited) << c.name;
    EXPECT_EQ(run.failed, c.failed) << c.name;
    EXPECT_EQ(run.end, FakeClock::t) << c.name;
  }
}

// A controller sending one report every `period` into a handle's input
// queue of `depth` reports (the oldest dropped when full); a read takes the
// oldest, or waits for the next report when the queue is empty.
class ModelQueue {
 public:
  explicit ModelQueue(ReadClock::duration period, std::size_t depth = 32)
      : period_(period), depth_(depth), next_(FakeClock::t + period) {}

  // Every `every`-th read is held up for `by` (the thread was not run), as
  // if it had waited, although its report was queued.
  void HoldUp(int every, ReadClock::duration by) {
    holdUpEvery_ = every;
    holdUpBy_ = by;
  }

  void SetPeriod(ReadClock::duration period) {
    Arrive();
    period_ = period;
    next_ = FakeClock::t + period;
  }

  // One read; the arrival time of the report it took in `taken`.
  int Read() {
    Arrive();
    if (queue_.empty()) {
      FakeClock::t = next_;
      Arrive();
    }
    taken = queue_.front();
    queue_.pop_front();
    FakeClock::t += 15us;  // the read's own cost
    if (holdUpEvery_ > 0 && ++reads_ % holdUpEvery_ == 0) FakeClock::t += holdUpBy_;
    return 9;
  }

  ReadClock::time_point taken{};

 private:
  void Arrive() {
    for (; next_ <= FakeClock::t; next_ += period_) {
      queue_.push_back(next_);
      if (queue_.size() > depth_) queue_.pop_front();
    }
  }
  ReadClock::duration period_;
  std::size_t depth_;
  int holdUpEvery_ = 0;
  ReadClock::duration holdUpBy_{};
  int reads_ = 0;
  ReadClock::time_point next_;
  std::deque<ReadClock::time_point> queue_;
};

struct Shown {
  double perSecond = 0;
  double medianMs = 0, p99Ms = 0, maxMs = 0;
  double readsPerSecond = 0;
};

double Ms(ReadClock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Runs reading passes for `length` after `warmUp`, each followed by
// `pause`, and summarises what was shown (the age of the report in the
// buffer at each show). `between` runs before each pass.
template <typename Between>
Shown RunPasses(ModelQueue& device, ReadClock::duration pause, ReadClock::duration warmUp,
                ReadClock::duration length, Between between,
                double leastQueueingRate = swr::kLeastQueueingRate) {
  swr::ReportRate rate(leastQueueingRate);
  std::vector<double> latencies;
  int reads = 0;
  const ReadClock::time_point start = FakeClock::t + warmUp;
  const ReadClock::time_point end = start + length;
  while (FakeClock::t < end) {
    between();
    const bool counted = FakeClock::t >= start;
    swr::ReadNewest<FakeClock>(
        rate,
        [&](bool) {
          if (counted) ++reads;
          return device.Read();
        },
        [&] {
          if (counted) latencies.push_back(Ms(FakeClock::t - device.taken));
        });
    FakeClock::t += pause;
  }
  Shown s;
  std::sort(latencies.begin(), latencies.end());
  const double seconds = std::chrono::duration<double>(length).count();
  s.perSecond = static_cast<double>(latencies.size()) / seconds;
  s.medianMs = latencies[latencies.size() / 2];
  s.p99Ms = latencies[latencies.size() * 99 / 100];
  s.maxMs = latencies.back();
  s.readsPerSecond = reads / seconds;
  return s;
}

// The reader's pause (20 ms, and a sleep ends a little late).
constexpr ReadClock::duration kPause = 20ms + 80us;

TEST(NewestReport, ReaderShowsCurrentReadingsAtEveryRate) {
  struct Case {
    int rate;
    double minShown, maxMedianMs, maxP99Ms;
  };
  // One report per pass would lag 320 ms behind at 100/s; reading on until
  // a wait would show 25 readings a second at 50/s.
  const Case cases[] = {
      {2, 2, 1, 1},     {10, 9.9, 1, 1},     {49, 44, 1, 1},    {50, 44, 2, 3},
      {100, 44, 6, 11},  {333, 44, 3, 4},     {1000, 44, 1.5, 2}, {4000, 34, 1, 1},
  };
  for (const Case& c : cases) {
    FakeClock::t = ReadClock::time_point{} + 1h;
    ModelQueue device(std::chrono::duration_cast<ReadClock::duration>(1s) / c.rate);
    const Shown s = RunPasses(device, kPause, 2s, 20s, [] {});
    EXPECT_GE(s.perSecond, c.minShown) << c.rate << "/s";
    EXPECT_LE(s.medianMs, c.maxMedianMs) << c.rate << "/s";
    EXPECT_LE(s.p99Ms, c.maxP99Ms) << c.rate << "/s";
    EXPECT_LE(s.readsPerSecond, c.rate * 1.02 + 4) << c.rate << "/s";
  }
}

TEST(NewestReport, ReadsHeldUpOnABusyMachineDoNotLeaveReportsQueued) {
  // A queued read that comes back late looks like one that waited for a
  // fresh report; believing it would leave the rest of the queue unread.
  struct HoldUp {
    int every;
    ReadClock::duration by;
  };
  const HoldUp holdUps[] = {{10, 600us}, {20, 1ms}, {50, 3ms}, {200, 15ms}};
  for (const int rate : {50, 100, 1000}) {
    for (const HoldUp& h : holdUps) {
      const int every = h.every;
      FakeClock::t = ReadClock::time_point{} + 1h;
      ModelQueue device(std::chrono::duration_cast<ReadClock::duration>(1s) / rate);
      device.HoldUp(every, h.by);
      const Shown s = RunPasses(device, kPause, 2s, 20s, [] {});
      EXPECT_GE(s.perSecond, 40) << rate << "/s, every " << every;
      EXPECT_LE(s.medianMs, 25) << rate << "/s, every " << every;
      EXPECT_LE(s.p99Ms, 45) << rate << "/s, every " << every;
    }
  }
}

TEST(NewestReport, CatchesUpSoonAfterTheRateRises) {
  for (const int rate : {100, 1000}) {
    FakeClock::t = ReadClock::time_point{} + 1h;
    ModelQueue device(20ms);
    RunPasses(device, kPause, 0s, 3s, [] {});  // settled on 50/s
    const ReadClock::time_point change = FakeClock::t;
    device.SetPeriod(std::chrono::duration_cast<ReadClock::duration>(1s) / rate);
    // Within one check period and a few passes the readings are current
    // again, however stale they were meanwhile.
    const Shown after = RunPasses(device, kPause, 300ms, 3s, [] {});
    EXPECT_LE(after.maxMs, 1000.0 / rate + 1.5) << rate << "/s";
    EXPECT_GE(after.perSecond, 44) << rate << "/s";
    EXPECT_GT(FakeClock::t, change);
  }
}

TEST(NewestReport, ReaderWithoutAPauseTakesEveryReportAndSkipsWhenBehind) {
  // swrctl watch: a line per report while it keeps up; after a stall (a
  // terminal that stopped scrolling) the next line is the newest reading.
  // At 80/s too, a rate that a reader with a pause does not read ahead at.
  for (const ReadClock::duration period : {ReadClock::duration(1ms), ReadClock::duration(12ms)}) {
    const double perSecond = 1.0 / std::chrono::duration<double>(period).count();
    FakeClock::t = ReadClock::time_point{} + 1h;
    ModelQueue device(period);
    const Shown s = RunPasses(device, 100us, 1s, 5s, [] {}, swr::kLeastQueueingRateWithoutPause);
    EXPECT_GE(s.perSecond, perSecond * 0.98) << perSecond << "/s";
    EXPECT_LE(s.maxMs, 1) << perSecond << "/s";

    int pass = 0;
    const Shown stalled = RunPasses(
        device, 100us, 0s, 5s, [&pass] {
          if (++pass % 100 == 0) FakeClock::t += 300ms;
        },
        swr::kLeastQueueingRateWithoutPause);
    EXPECT_LE(stalled.maxMs, 1.0) << perSecond << "/s";
  }
}

TEST(NewestReport, TheRateIsTheLowerOfTheLastTwoPassesAndAFailureForgetsIt) {
  FakeClock::t = ReadClock::time_point{} + 1h;
  ModelQueue device(1ms);
  swr::ReportRate rate;
  EXPECT_EQ(rate.QueuedSince(FakeClock::t + 1s), 0);  // nothing known yet
  for (int i = 0; i < 20; ++i) {
    swr::ReadNewest<FakeClock>(rate, [&](bool) { return device.Read(); }, [] {});
    FakeClock::t += kPause;
  }
  EXPECT_NEAR(rate.PerSecond(), 1000.0, 50.0);
  EXPECT_NEAR(rate.QueuedSince(FakeClock::t), 20, 1);
  swr::ReadRun failed;
  failed.failed = true;
  rate.Record(failed);
  EXPECT_EQ(rate.QueuedSince(FakeClock::t), 0);

  // One pass of many reports after a slow one is a burst, not a rate; a
  // second such pass makes it one. Slow senders are not read ahead of.
  struct Case {
    const char* name;
    int before, last;  // reports in the two passes, 20 ms each
    bool readAhead;
  };
  const Case cases[] = {
      {"a burst after one report", 1, 20, false},
      {"a burst before one report", 20, 1, false},
      {"two fast passes", 20, 20, true},
      {"two reports a pass, the most a lockstep sender brings", 2, 2, false},
      {"four a pass", 4, 4, true},
  };
  for (const Case& c : cases) {
    FakeClock::t = ReadClock::time_point{} + 1h;
    swr::ReportRate r;
    for (const int reads : {0, c.before, c.last}) {
      swr::ReadRun pass;
      pass.reads = reads;
      pass.end = FakeClock::t;
      r.Record(pass);
      FakeClock::t += 20ms;
    }
    EXPECT_EQ(r.QueuedSince(FakeClock::t) > 0, c.readAhead) << c.name;
  }
}

// A sender that sends its next report (or a burst of them) only once the
// last one it sent is shown, as a test driver does: no report may wait
// unseen behind a read that waits for the next one, since that one never
// comes (here: comes only after the driver gives up, 2 s later).
TEST(NewestReport, ASenderThatWaitsForEachReportToBeShownIsNeverHeldUp) {
  struct Case {
    ReadClock::duration react;   // from a show to the next send
    int burstEvery, burstSize;   // every n-th send is a burst
    ReadClock::duration pauseJitter;  // extra pause on every third pass (a busy machine)
  };
  // A sender that answers a show within kFreshAfter looks like a queue that
  // never empties, and one that sends bursts pass after pass like a fast
  // controller; for those the supervision tick releases what a read holds
  // back (see the reader's tests).
  const Case cases[] = {
      {1ms, 0, 1, 0ms},    {600us, 0, 1, 0ms},  {3ms, 0, 1, 15ms},  {600us, 5, 3, 0ms},
      {1ms, 4, 4, 10ms},   {700us, 1, 3, 0ms},  {1ms, 3, 30, 5ms},  {5ms, 7, 2, 30ms},
  };
  for (const Case& c : cases) {
    FakeClock::t = ReadClock::time_point{} + 1h;
    std::deque<ReadClock::time_point> queue;
    ReadClock::time_point nextSend = FakeClock::t + c.react;
    int sends = 0, sent = 0, taken = 0, shownUpTo = 0;
    ReadClock::time_point takenAt{};
    int stalls = 0;
    double worstMs = 0;
    const auto arrive = [&] {
      if (nextSend > FakeClock::t || shownUpTo < sent) return;
      const int n = c.burstEvery > 0 && ++sends % c.burstEvery == 0 ? c.burstSize : 1;
      for (int i = 0; i < n; ++i) {
        queue.push_back(nextSend);
      }
      sent += n;
      nextSend = ReadClock::time_point::max();
    };
    swr::ReportRate rate;
    for (int pass = 0; pass < 400; ++pass) {
      swr::ReadNewest<FakeClock>(
          rate,
          [&](bool) {
            arrive();
            if (queue.empty()) {
              // Nothing comes until the last report sent is shown.
              if (shownUpTo < sent) {
                ++stalls;
                FakeClock::t += 2s;
                nextSend = FakeClock::t;
                shownUpTo = sent;  // the driver gave up waiting
              }
              FakeClock::t = std::max(FakeClock::t, nextSend);
              arrive();
            }
            takenAt = queue.front();
            queue.pop_front();
            ++taken;
            FakeClock::t += 15us;
            return 9;
          },
          [&] {
            worstMs = std::max(worstMs, Ms(FakeClock::t - takenAt));
            if (taken > shownUpTo) {
              shownUpTo = taken;
              if (shownUpTo == sent) nextSend = FakeClock::t + c.react;
            }
          });
      FakeClock::t += kPause + (pass % 3 == 2 ? c.pauseJitter : 0ms);
    }
    EXPECT_EQ(stalls, 0) << "react " << Ms(c.react) << " ms, burst " << c.burstSize << " every "
                         << c.burstEvery;
    EXPECT_LT(worstMs, 60) << "react " << Ms(c.react) << " ms, burst " << c.burstSize << " every "
                            << c.burstEvery;
  }
}

// A sender that is not faster than the pause (a test driver, a controller
// that sends on change) never has a report read unseen: the one read is
// shown before the next read, which waits for as long as the sender likes.
TEST(NewestReport, AnOccasionalReportIsShownBeforeAReadThatWaits) {
  // One report over a pass at 50/s, or two over a whole second (2/s).
  for (int lastPassReads : {1, 2}) {
    FakeClock::t = ReadClock::time_point{} + 1s;
    swr::ReportRate rate = RateOf(lastPassReads, lastPassReads == 1 ? 20ms : 1s);
    FakeClock::t += 500ms;
    EXPECT_EQ(rate.QueuedSince(FakeClock::t), 0) << lastPassReads;
    std::vector<int> shown;
    int inBuffer = 0, next = 0;
    const ReadClock::duration takes[] = {10us, 2s};
    swr::ReadNewest<FakeClock>(
        rate,
        [&](bool) {
          FakeClock::t += takes[next++];
          inBuffer = next;
          return 9;
        },
        [&] { shown.push_back(inBuffer); });
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), 1) << "the first report waited behind the second read";
  }
}

}  // namespace
