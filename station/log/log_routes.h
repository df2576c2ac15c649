// The station log's HTTP API as plain functions: the query string in, the
// status, content type and body out. They open a reader's connection of
// their own, so the writer never waits for them. logPath empty: the server
// keeps no log (--no-log, or the file was refused).
#pragma once

#include <cstdint>
#include <string>

namespace station {

struct LogReply {
  int status = 200;
  std::string contentType = "application/json; charset=utf-8";
  std::string body;
  std::string disposition;  // Content-Disposition, for the CSV download
  std::string damage;       // SQLite's words when the file was found malformed
};

// GET /api/v1/transmissions and /api/v1/transmissions.csv: from, to, band,
// limit, cursor.
LogReply TransmissionsReply(const std::string& logPath, const std::string& query, bool csv);

// GET /api/v1/qsos and /api/v1/qsos.adi: from, to (the time on), band,
// limit, cursor, as for the transmissions; the ADIF written as the rows
// are read, oldest first.
LogReply QsosReply(const std::string& logPath, const std::string& query, bool adif,
                   std::int64_t nowMs);

// GET /api/v1/alarms: from, to (the time raised), band, limit, cursor, as
// for the transmissions; newest first.
LogReply AlarmsReply(const std::string& logPath, const std::string& query);
// GET /api/v1/alarms/ID (the alarm with its halts and readings) and
// /api/v1/alarms/ID.csv (its readings); `idText` is what follows alarms/.
LogReply AlarmReply(const std::string& logPath, const std::string& idText,
                    const std::string& query);

// seconds=N of GET /api/v1/history: 1..604800, 600 when absent; false
// with `error` otherwise.
bool ParseHistorySeconds(const std::string& query, int& seconds, std::string& error);

// GET /api/v1/history beyond the live state's ten minutes: slots of a size
// that grows with the range, from the log.
LogReply HistoryReply(const std::string& logPath, int seconds, std::int64_t nowMs);
// The slot size for a range of `seconds` (ms).
std::int64_t HistorySlotMs(int seconds);

// GET /api/v1/summary: from, to (default today from local midnight).
LogReply SummaryReply(const std::string& logPath, const std::string& query, std::int64_t nowMs);

}  // namespace station
