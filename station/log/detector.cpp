// The transmission detector: a transmission runs from the first reading of
// the active sensor above the threshold to the last one above it, as long
// as no gap below it lasts the hang time. Only the readings above the
// threshold count for its figures: below it the SWR is not meaningful.
// Every interval is measured by the monotonic clock; the wall clock gives
// only the stamps.
#include "station/log/detector.h"

#include "station/core/local_time.h"

namespace station {
namespace {

void KeepHigher(std::optional<double>& slot, const std::optional<double>& value) {
  if (value && (!slot || *value > *slot)) slot = value;
}

std::int64_t SecondOf(std::int64_t unixMs) {
  return unixMs >= 0 ? unixMs / 1000 : -((-unixMs + 999) / 1000);
}

}  // namespace

void TransmissionDetector::OnReading(const LogReading& r, DetectorOutput& out) {
  if (lastReadingSteadyMs_ && r.steadyMs - *lastReadingSteadyMs_ > config_.staleMs) {
    // The readings had stopped; whatever was open ended then.
    if (open_) Finish(true, out);
    FinishSecond(out);
  }
  lastReadingSteadyMs_ = r.steadyMs;

  const std::int64_t second = SecondOf(r.unixMs);
  if (second_ && second_->second != second) FinishSecond(out);
  if (!second_) second_ = HistorySecond{second, std::nullopt, std::nullopt};
  KeepHigher(second_->power, r.power);
  KeepHigher(second_->swr, r.swr);

  const bool above = r.power && *r.power > config_.thresholdW && rig_.ptt.value_or(true);
  if (open_ && r.sensor != 0 && open_->record.sensor != 0 && r.sensor != open_->record.sensor) {
    Finish(false, out);  // another sensor: another line, another transmission
  }
  if (open_ && !above && r.steadyMs - open_->lastAboveSteadyMs >= config_.hangMs) {
    Finish(false, out);
  }
  if (!above) return;
  if (!open_) {
    open_ = Over();
    open_->record.startUnixMs = r.unixMs;
    open_->record.start = r.time;
    open_->startSteadyMs = r.steadyMs;
    TimestampOffset(r.time, open_->utcOffsetMinutes);
    open_->record.peakPower = *r.power;
    open_->record.swrAtPeak = r.swr;
    open_->record.forwardAtPeak = r.forward;
    open_->record.reflectedAtPeak = r.reflected;
    open_->record.frequencyHz = rig_.frequencyHz;
    if (!rig_.band.empty()) open_->record.band = rig_.band;
    if (!rig_.mode.empty()) open_->record.mode = rig_.mode;
    open_->record.antenna = rig_.antenna;
  }
  Count(r);
}

void TransmissionDetector::Count(const LogReading& r) {
  Transmission& t = open_->record;
  ++t.readings;
  open_->sum += *r.power;
  if (*r.power > t.peakPower) {
    t.peakPower = *r.power;
    t.swrAtPeak = r.swr;
    t.forwardAtPeak = r.forward;
    t.reflectedAtPeak = r.reflected;
  }
  KeepHigher(t.maxSwr, r.swr);
  if (t.sensor == 0) t.sensor = r.sensor;
  open_->lastAboveSteadyMs = r.steadyMs;
}

void TransmissionDetector::OnLink(bool connected, DetectorOutput& out) {
  if (connected) return;
  if (open_) Finish(true, out);
  FinishSecond(out);
  lastReadingSteadyMs_.reset();
}

void TransmissionDetector::OnRig(const RigInfo& rig, DetectorOutput& out) {
  const bool pttOff = rig.ptt && !*rig.ptt;
  // A rig that drops out (no band) leaves the transmission on its band.
  const bool otherBand = open_ && !rig.band.empty() && open_->record.band.value_or("") != rig.band;
  // Another antenna is another SWR: what the first one measured ends there.
  const bool otherAntenna = open_ && rig.antenna && open_->record.antenna != rig.antenna;
  if (open_ && (pttOff || otherBand || otherAntenna)) Finish(false, out);
  rig_ = rig;
}

void TransmissionDetector::OnTick(std::int64_t steadyMs, DetectorOutput& out) {
  if (lastReadingSteadyMs_ && steadyMs - *lastReadingSteadyMs_ > config_.staleMs) {
    if (open_) Finish(true, out);
    FinishSecond(out);
    return;
  }
  if (open_ && steadyMs - open_->lastAboveSteadyMs >= config_.hangMs) Finish(false, out);
}

void TransmissionDetector::Flush(DetectorOutput& out) {
  if (open_) Finish(true, out);
  FinishSecond(out);
}

void TransmissionDetector::Finish(bool cutShort, DetectorOutput& out) {
  Transmission t = std::move(open_->record);
  t.endUnixMs = t.startUnixMs + (open_->lastAboveSteadyMs - open_->startSteadyMs);
  t.end = FormatTimestamp(LocalTimeAt(t.endUnixMs, open_->utcOffsetMinutes));
  t.averagePower = t.readings > 0 ? open_->sum / static_cast<double>(t.readings) : 0;
  t.cutShort = cutShort;
  open_.reset();
  out.transmissions.push_back(std::move(t));
}

void TransmissionDetector::FinishSecond(DetectorOutput& out) {
  if (!second_) return;
  out.seconds.push_back(*second_);
  second_.reset();
}

}  // namespace station
