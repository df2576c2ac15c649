// The JSON texts of swrctl serve's API (one object each, UTF-8).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/reports.h"
#include "station/core/live_state.h"
#include "station/core/log_state.h"

namespace station {

// {"time":..., "unix_ms":..., "sensor":2, "forward":..., "reflected":...,
//  "swr":"1.5", "power":"63.9", "swr_value":1.5, "power_value":63.9,
//  "raw":[...]}; the *_value are null where the text is no number.
std::string ReadingJson(const Reading& reading);

// connected, link_changes, live (a reading came within the last second
// while connected), age_ms, reading (null before the first), peak_power,
// read_only.
// log: the station log's file, recording, seconds_lost and error (null
// without a log).
std::string StatusJson(const Snapshot& snapshot, std::int64_t nowSteadyMs, bool readOnly,
                       const LogState* log = nullptr);

// {"connected":true,"changes":3}
std::string LinkJson(const Link& link);

// {"seconds":N,"slot_ms":500,"points":[[unix_ms,power,swr],...]}
std::string HistoryJson(const std::vector<HistoryPoint>& points, int seconds);

// {"error":"not_connected","message":"..."}
std::string ErrorJson(const std::string& code, const std::string& message);

// {"ok":true,"command":"power","sent":"00 01 02 02 ...","bytes":[...]}
std::string SentJson(const char* command, const swr::CommandReport& report);

}  // namespace station
