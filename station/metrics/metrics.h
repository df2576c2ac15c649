// The station's figures for Prometheus: what GET /metrics answers, in
// Prometheus' text exposition format 0.0.4. A live reading appears only
// while it is live, so a stale value never looks current on a dashboard;
// counters count since the server started.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/reports.h"
#include "station/core/live_state.h"
#include "station/log/logged_qsos.h"
#include "station/log/on_air.h"

namespace station {

// An antenna warning: transmissions on this sensor and band lie above
// their baseline SWR.
struct AntennaWarning {
  int sensor = 0;
  std::string band;
  std::optional<int> antenna;  // a label of its own where known
};

struct MetricsInput {
  std::string version;
  Snapshot snapshot;
  std::int64_t nowSteadyMs = 0;
  std::vector<OnAirCount> onAir;          // from the transmission detector
  std::vector<QsoBandCount> qsos;         // stored in the station log
  std::optional<double> logLostSeconds;   // with a station log only
  std::optional<bool> alarmRaised;        // with --swr-alarm only
  std::vector<AntennaWarning> warnings;
  std::optional<bool> rigConnected;       // with --rig only
  std::optional<double> rigFrequencyHz;   // while the rig reports one
};

// The whole exposition, "# HELP" and "# TYPE" lines included.
std::string RenderMetrics(const MetricsInput& input);

// The Content-Type of that text.
constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

}  // namespace station
