// Reading the station log: transmissions page by page, the history in
// slots, and sums per sensor and band. Each call uses a reader's own
// connection, so it never waits for the writer nor holds it up.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "station/core/live_state.h"
#include "station/log/detector.h"

namespace station {

class LogDb;

struct TransmissionQuery {
  std::int64_t from = std::numeric_limits<std::int64_t>::min();  // start >= from (unix ms)
  std::int64_t to = std::numeric_limits<std::int64_t>::max();    // start < to
  std::optional<std::string> band;
  long limit = 100;
  // The page after (start, id) of the last one seen; newest first.
  std::optional<std::pair<std::int64_t, std::int64_t>> after;
};

struct TransmissionPage {
  std::vector<Transmission> items;
  std::optional<std::pair<std::int64_t, std::int64_t>> next;  // more after this
};

struct SummaryRow {
  int sensor = 0;
  std::optional<std::string> band;
  std::int64_t transmissions = 0;
  std::int64_t onAirMs = 0;
  double peakPower = 0;
  std::optional<double> maxSwr;
};

bool QueryTransmissions(LogDb& db, const TransmissionQuery& q, TransmissionPage& page,
                        std::string& error);

// The transmissions of `q` (at most q.limit), each handed to `row` as it is
// read, with no page held in memory; `row` returns false to stop.
bool EachTransmission(LogDb& db, const TransmissionQuery& q,
                      const std::function<bool(const Transmission&)>& row, std::string& error);

// The slots of slotMs (a multiple of 1000) with readings in [fromMs, toMs),
// oldest first; slots of a minute and more come from the per-minute table.
bool QueryHistory(LogDb& db, std::int64_t fromMs, std::int64_t toMs, std::int64_t slotMs,
                  std::vector<HistoryPoint>& points, std::string& error);

// The antennas known for one sensor on one band, each once, ascending (from
// the index: one step per antenna, so cheap on any log).
bool QueryAntennasOnBand(LogDb& db, int sensor, const std::string& band, std::vector<int>& out,
                         std::string& error);

// The newest `limit` transmissions of one sensor on one band and antenna
// (none: those without one) that have an SWR at peak power, newest first
// (from the index, so cheap on any log).
bool QueryRecentOnBand(LogDb& db, int sensor, const std::string& band,
                       const std::optional<int>& antenna, long limit,
                       std::vector<Transmission>& out, std::string& error);

// Transmissions that started in [fromMs, toMs), per sensor and band.
bool QuerySummary(LogDb& db, std::int64_t fromMs, std::int64_t toMs,
                  std::vector<SummaryRow>& rows, std::string& error);

}  // namespace station
