// The handlers of the transceiver, the antenna's health and the SWR alarm,
// and the status that shows them (routes.cpp's table).
#include "station/core/api_json.h"
#include "station/health/health_json.h"
#include "station/health/station_watch.h"
#include "station/http/routes.h"
#include "station/log/log_store.h"
#include "station/metrics/metrics.h"

namespace station {

Outcome StatusHandler(const ApiRequest& req, const Context& ctx) {
  const LogState logState = ctx.log != nullptr ? ctx.log->State() : LogState{};
  std::string json = StatusJson(ctx.live.Get(ctx.steadyMs), ctx.steadyMs, ctx.policy.readOnly,
                                ctx.log != nullptr ? &logState : nullptr);
  if (ctx.watch != nullptr && !json.empty() && json.back() == '}') {
    // The rig (null without one) and the alarm join the status object.
    json.pop_back();
    json += ",\"rig\":" + (ctx.watch->rigGiven ? RigJson(ctx.watch->rig.Snapshot()) : "null");
    json += ",\"alarm\":" + AlarmJson(ctx.watch->alarm.State(), ctx.watch->alarm.Settings());
    json += '}';
  }
  return Answer(Reply(http::status::ok, kJsonType, json, req.raw.version()),
                req.raw.keep_alive());
}

Outcome BandsHandler(const ApiRequest& req, const Context& ctx) {
  const unsigned v = req.raw.version();
  if (ctx.watch == nullptr) {
    return Answer(Error(http::status::not_found, "not_found", "no such resource", v),
                  req.raw.keep_alive());
  }
  const AntennaHealth& health = ctx.watch->health;
  return Answer(Reply(http::status::ok, kJsonType, BandsJson(health.Table(), health.Settings()), v),
                req.raw.keep_alive());
}

// Lowers the alarm; nothing reaches the controller, so --read-only allows
// it: the alarm is the service's own, and acknowledging only tells it that
// someone has seen it.
Outcome AlarmAckHandler(const ApiRequest& req, const Context& ctx) {
  const unsigned v = req.raw.version();
  if (ctx.watch == nullptr) {
    return Answer(Error(http::status::not_found, "not_found", "no such resource", v),
                  req.raw.keep_alive());
  }
  SwrAlarm& alarm = ctx.watch->alarm;
  const bool lowered = alarm.Acknowledge("http", ctx.unixMs);
  std::string json = "{\"acknowledged\":" + std::string(lowered ? "true" : "false") +
                     ",\"alarm\":" + AlarmJson(alarm.State(), alarm.Settings()) + "}";
  return Answer(Reply(http::status::ok, kJsonType, json, v), req.raw.keep_alive());
}

void FillStationMetrics(const Context& ctx, MetricsInput& metrics) {
  if (ctx.watch == nullptr) return;
  const StationWatch& watch = *ctx.watch;
  if (watch.alarm.Settings().limitTenths != 0) metrics.alarmRaised = watch.alarm.State().raised;
  for (const BandHealth& row : watch.health.Table()) {
    if (row.warning) metrics.warnings.push_back(AntennaWarning{row.sensor, row.band, row.antenna});
  }
  if (!watch.rigGiven) return;
  const RigState rig = watch.rig.Snapshot();
  metrics.rigConnected = rig.connected;
  if (rig.connected && rig.frequencyHz) metrics.rigFrequencyHz = static_cast<double>(*rig.frequencyHz);
}

}  // namespace station
