// The JSON of the rig, the SWR alarm and the bands table, for the HTTP API
// and MQTT (one object each, UTF-8). SWR and trend are rounded to 0.01.
#pragma once

#include <string>
#include <vector>

#include "station/health/antenna_health.h"
#include "station/health/swr_alarm.h"
#include "station/rig/rig_state.h"

namespace station {

// {"connected":true,"frequency_hz":7100000,"band":"40m","mode":"USB",
//  "passband_hz":2400,"ptt":false}; band null outside every band, mode,
//  passband and frequency null when unknown, ptt null when the rig has none.
std::string RigJson(const RigState& rig);

// {"enabled":true,"limit":2.0,"hold_ms":1000,"min_watts":5,"raised":true,
//  "unix_ms":...,"sensor":1,"band":"40m","swr":2.6,"peak_swr":2.8,
//  "halt":true,"frequency_hz":7100000,"power":95.5,"acknowledged_unix_ms":null,
//  "acknowledged_via":null,"halts":[HaltsJson]}; the alarm's fields stay
//  after an acknowledgement (raised false) and are null before the first
//  alarm.
std::string AlarmJson(const AlarmState& alarm, const AlarmSettings& settings);

// [{"target":"rigctld","outcome":"answered","detail":"RPRT 0","unix_ms":...,
//   "delay_ms":12}]: the halt requests of one alarm.
std::string HaltsJson(const std::vector<HaltAttempt>& halts);

// GET /api/v1/bands: {"window":20,"margin":0.3,"run":3,"min_watts":5,
//  "rows":[{"sensor":1,"band":"40m","transmissions":12,"baseline":1.3,
//  "latest":1.35,"latest_unix_ms":...,"trend":0.02,"above_in_row":0,
//  "warning":false}]}
std::string BandsJson(const std::vector<BandHealth>& rows, const HealthSettings& settings);

// MQTT payloads, all published retained by the caller:
//   PREFIX/rig           RigJson
//   PREFIX/alarm         AlarmJson
//   PREFIX/alarm/state   AlarmStatePayload: ON | OFF (a binary sensor's state)
//   PREFIX/bands         BandsJson
//   PREFIX/alarm/ack     in: any payload acknowledges (a button's press)
const char* AlarmStatePayload(const AlarmState& alarm);

}  // namespace station
