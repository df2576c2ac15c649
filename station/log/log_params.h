// The parameters of the station log's queries, from the HTTP query string
// and the command line: times as unix milliseconds or ISO 8601, and the
// query string itself.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace station {

// Unix milliseconds (digits only) or ISO 8601: 2026-12-09 (local midnight),
// 2026-12-09T14:30[:05[.250]] in local time, or with Z or +01:00 / -05:00.
bool ParseLogTime(const std::string& text, std::int64_t& unixMs);

// name=value&... with %XX decoded; names outside `allowed` and repeated
// names are refused with `error` one sentence.
bool ParseQueryString(const std::string& query, const std::vector<std::string>& allowed,
                      std::map<std::string, std::string>& out, std::string& error);

// Local midnight at the start of the day of unixMs.
std::int64_t LocalMidnight(std::int64_t unixMs);

}  // namespace station
