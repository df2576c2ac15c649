// The station log's HTTP API: parameters checked in full, then one query
// on a reader's connection.
#include "station/log/log_routes.h"

#include <map>
#include <nlohmann/json.hpp>

#include "station/core/api_json.h"
#include "station/log/alarm_format.h"
#include "station/log/alarm_store.h"
#include "station/core/sensor_names.h"
#include "station/log/log_db.h"
#include "station/log/log_format.h"
#include "station/log/log_params.h"
#include "station/log/qso_format.h"
#include "station/log/qso_store.h"

namespace station {
namespace {

using json = nlohmann::ordered_json;

constexpr long kMaxPage = 1000;
constexpr long kMaxCsvRows = 1000000;
constexpr int kMaxHistorySeconds = 7 * 86400;

LogReply Failure(int status, const std::string& code, const std::string& message) {
  LogReply reply;
  reply.status = status;
  reply.body = ErrorJson(code, message);
  return reply;
}

LogReply Bad(const std::string& message) { return Failure(400, "bad_request", message); }

LogReply NoLog() {
  return Failure(503, "no_log", "this server keeps no station log (--no-log, or the file was "
                                "refused; see its status)");
}

// A malformed file is no log to read, as a refused one: 503 `no_log`.
LogReply DamagedLog(const std::string& what) {
  LogReply reply = Failure(503, "no_log", "the station log is damaged (" + what +
                                              "); recording stopped; see the status");
  reply.damage = what;
  return reply;
}

// A query that failed: the file malformed, or it could not be read.
LogReply Unreadable(const LogDb& db, const std::string& error) {
  if (db.Damaged()) return DamagedLog(error);
  return Failure(500, "log_unreadable", "the station log cannot be read: " + error);
}

// Opens the log for reading: Ok, or no file yet (empty answers), or an error.
bool OpenReader(const std::string& path, LogDb& db, bool& empty, LogReply& failure) {
  std::string error;
  const LogOpen result = db.Open(path, false, error);
  empty = result == LogOpen::Missing;
  if (result == LogOpen::Ok || empty) return true;
  failure = result == LogOpen::Damaged
                ? DamagedLog(error)
                : Failure(500, "log_unreadable", "the station log cannot be read: " + error);
  return false;
}

bool TimeParameter(const std::map<std::string, std::string>& p, const char* name,
                   std::int64_t& value, std::string& error) {
  const auto it = p.find(name);
  if (it == p.end()) return true;
  if (ParseLogTime(it->second, value)) return true;
  error = std::string(name) + " must be unix milliseconds or an ISO 8601 time such as "
          "2026-12-09 or 2026-12-09T14:30:00Z, not '" + it->second.substr(0, 40) + "'";
  return false;
}

bool ParseTransmissionQuery(const std::string& query, bool csv, TransmissionQuery& q,
                            std::string& error) {
  std::map<std::string, std::string> p;
  if (!ParseQueryString(query, {"from", "to", "band", "limit", "cursor"}, p, error) ||
      !TimeParameter(p, "from", q.from, error) || !TimeParameter(p, "to", q.to, error)) {
    return false;
  }
  const long maxLimit = csv ? kMaxCsvRows : kMaxPage;
  q.limit = csv ? kMaxCsvRows : 100;
  if (p.count("limit") != 0) {
    const std::string& v = p["limit"];
    if (v.empty() || v.size() > 7 || v.find_first_not_of("0123456789") != std::string::npos ||
        std::stol(v) < 1 || std::stol(v) > maxLimit) {
      error = "limit must be a whole number from 1 to " + std::to_string(maxLimit);
      return false;
    }
    q.limit = std::stol(v);
  }
  if (p.count("band") != 0) {
    const std::string& v = p["band"];
    if (v.empty() || v.size() > 16 ||
        v.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.") !=
            std::string::npos) {
      error = "band must be a band's name such as 20m or 70cm";
      return false;
    }
    q.band = v;
  }
  if (p.count("cursor") != 0) {
    std::pair<std::int64_t, std::int64_t> after;
    if (!ParseCursor(p["cursor"], after)) {
      error = "cursor must be the next_cursor of an earlier answer";
      return false;
    }
    q.after = after;
  }
  if (q.from >= q.to) {
    error = "from must be before to";
    return false;
  }
  return true;
}

}  // namespace

LogReply TransmissionsReply(const std::string& logPath, const std::string& query, bool csv) {
  TransmissionQuery q;
  std::string error;
  if (!ParseTransmissionQuery(query, csv, q, error)) return Bad(error);
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  const auto unreadable = [&db, &error] { return Unreadable(db, error); };
  if (!csv) {
    TransmissionPage page;
    if (!empty && !QueryTransmissions(db, q, page, error)) return unreadable();
    reply.body = TransmissionPageJson(page);
    return reply;
  }
  // Written as the rows are read: a month of a busy station is never held
  // twice, as rows and as text.
  reply.contentType = "text/csv; charset=utf-8; header=present";
  reply.disposition = "attachment; filename=\"transmissions.csv\"";
  reply.body = TransmissionsCsvHeader();
  const auto append = [&reply](const Transmission& t) {
    AppendTransmissionCsv(reply.body, t);
    return true;
  };
  if (!empty && !EachTransmission(db, q, append, error)) return unreadable();
  return reply;
}

LogReply QsosReply(const std::string& logPath, const std::string& query, bool adif,
                   std::int64_t nowMs) {
  TransmissionQuery q;
  std::string error;
  // The ADIF file takes the same bounds as the CSV of transmissions.
  if (!ParseTransmissionQuery(query, adif, q, error)) return Bad(error);
  if (adif && q.after) return Bad("cursor is for /api/v1/qsos; the ADIF file is one list");
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  if (!adif) {
    QsoPage page;
    if (!empty && !QueryQsos(db, q, page, error)) return Unreadable(db, error);
    reply.body = QsoPageJson(page);
    return reply;
  }
  reply.contentType = "text/plain; charset=utf-8";
  reply.disposition = "attachment; filename=\"qsos.adi\"";
  reply.body = AdifHeader(nowMs, SWRCTL_VERSION);
  const auto append = [&reply](const Qso& qso) {
    AppendQsoAdif(reply.body, qso);
    return true;
  };
  if (!empty && !EachQsoOldestFirst(db, q, append, error)) return Unreadable(db, error);
  return reply;
}

LogReply AlarmsReply(const std::string& logPath, const std::string& query) {
  TransmissionQuery q;
  std::string error;
  if (!ParseTransmissionQuery(query, false, q, error)) return Bad(error);
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  AlarmPage page;
  if (!empty && !QueryAlarms(db, q, page, error)) return Unreadable(db, error);
  for (AlarmRecord& a : page.items) {
    bool found = false;
    if (!ReadAlarm(db, a.id, a, found, error)) return Unreadable(db, error);
  }
  reply.body = AlarmPageJson(page);
  return reply;
}

LogReply AlarmReply(const std::string& logPath, const std::string& idText,
                    const std::string& query) {
  const bool csv = idText.size() > 4 && idText.compare(idText.size() - 4, 4, ".csv") == 0;
  const std::string digits = csv ? idText.substr(0, idText.size() - 4) : idText;
  if (digits.empty() || digits.size() > 15 || digits.find_first_not_of("0123456789") != std::string::npos) {
    return Failure(404, "not_found", "no such resource");
  }
  std::map<std::string, std::string> p;
  std::string error;
  if (!ParseQueryString(query, {}, p, error)) return Bad(error);
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  AlarmRecord alarm;
  bool found = false;
  if (!empty && !ReadAlarm(db, std::stoll(digits), alarm, found, error)) return Unreadable(db, error);
  if (!found) return Failure(404, "not_found", "there is no alarm " + digits + " in the log");
  std::vector<RingReading> rows;
  const auto keep = [&rows](const RingReading& r) { rows.push_back(r); };
  if (!EachAlarmReading(db, alarm.id, keep, error)) return Unreadable(db, error);
  if (!csv) {
    reply.body = AlarmWithReadingsJson(alarm, rows);
    return reply;
  }
  reply.contentType = "text/csv; charset=utf-8; header=present";
  reply.disposition = "attachment; filename=\"alarm-" + digits + ".csv\"";
  reply.body = AlarmReadingsCsvHeader();
  for (const RingReading& r : rows) AppendAlarmReadingCsv(reply.body, r);
  return reply;
}

bool ParseHistorySeconds(const std::string& query, int& seconds, std::string& error) {
  std::map<std::string, std::string> p;
  error = "seconds must be a whole number from 1 to 604800 (7 days)";
  std::string unknown;
  if (!ParseQueryString(query, {"seconds"}, p, unknown)) return false;
  seconds = 600;
  if (p.count("seconds") == 0) return true;
  const std::string& v = p["seconds"];
  if (v.empty() || v.size() > 6 || v.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  seconds = std::stoi(v);
  return seconds >= 1 && seconds <= kMaxHistorySeconds;
}

std::int64_t HistorySlotMs(int seconds) {
  // About 1500 slots at most: a chart's width in points.
  static const int kSlots[] = {1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600};
  for (int slot : kSlots) {
    if (seconds / slot <= 1500) return std::int64_t{slot} * 1000;
  }
  return 3600 * 1000;
}

LogReply HistoryReply(const std::string& logPath, int seconds, std::int64_t nowMs) {
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  const std::int64_t slot = HistorySlotMs(seconds);
  std::vector<HistoryPoint> points;
  std::string error;
  if (!empty && !QueryHistory(db, nowMs - std::int64_t{seconds} * 1000, nowMs + 1, slot, points,
                              error)) {
    return Unreadable(db, error);
  }
  json list = json::array();
  for (const HistoryPoint& p : points) {
    list.push_back({p.unixMs, p.power ? json(*p.power) : json(nullptr),
                    p.swr ? json(*p.swr) : json(nullptr)});
  }
  reply.body = json{{"seconds", seconds}, {"slot_ms", slot}, {"points", list}}.dump();
  return reply;
}

LogReply SummaryReply(const std::string& logPath, const std::string& query, std::int64_t nowMs) {
  std::map<std::string, std::string> p;
  std::string error;
  std::int64_t from = LocalMidnight(nowMs), to = nowMs + 1;
  if (!ParseQueryString(query, {"from", "to"}, p, error) ||
      !TimeParameter(p, "from", from, error) || !TimeParameter(p, "to", to, error)) {
    return Bad(error);
  }
  if (from >= to) return Bad("from must be before to");
  if (logPath.empty()) return NoLog();
  LogDb db;
  bool empty = false;
  LogReply reply;
  if (!OpenReader(logPath, db, empty, reply)) return reply;
  std::vector<SummaryRow> rows;
  if (!empty && !QuerySummary(db, from, to, rows, error)) return Unreadable(db, error);
  json per = json::array();
  std::int64_t count = 0, onAir = 0;
  for (const SummaryRow& r : rows) {
    count += r.transmissions;
    onAir += r.onAirMs;
    json o = json::object();
    o["sensor"] = r.sensor != 0 ? json(r.sensor) : json(nullptr);
    o["sensor_name"] = SensorName(r.sensor).empty() ? json(nullptr) : json(SensorName(r.sensor));
    o["band"] = r.band ? json(*r.band) : json(nullptr);
    o["transmissions"] = r.transmissions;
    o["on_air_ms"] = r.onAirMs;
    o["peak_power"] = r.peakPower;
    o["max_swr"] = r.maxSwr ? json(*r.maxSwr) : json(nullptr);
    per.push_back(std::move(o));
  }
  json o = json::object();
  o["from"] = from;
  o["to"] = to;
  o["transmissions"] = count;
  o["on_air_ms"] = onAir;
  o["per"] = std::move(per);
  reply.body = o.dump(-1, ' ', false, json::error_handler_t::replace);
  return reply;
}

}  // namespace station
