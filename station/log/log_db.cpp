// Opening the station log. A file that is not empty must be SQLite with
// this program's application id, and pass SQLite's quick check, before
// anything is written to it; an empty one becomes a station log. Schema
// changes are migrations, one per version, run in one transaction each.
#include "station/log/log_db.h"

#include <sqlite3.h>

#include <chrono>
#include <cstring>

#include "station/log/log_platform.h"

namespace station {
namespace {

// "SWRP": marks the file as a station log in SQLite's header.
constexpr std::int64_t kApplicationId = 0x53575250;

// kMigrations[i] brings the schema from version i to i + 1.
const char* const kMigrations[] = {
    "CREATE TABLE transmissions("
    " id INTEGER PRIMARY KEY,"
    " start_unix_ms INTEGER NOT NULL, end_unix_ms INTEGER NOT NULL,"
    " start_local TEXT NOT NULL, end_local TEXT NOT NULL,"
    " sensor INTEGER NOT NULL, peak_power REAL NOT NULL, average_power REAL NOT NULL,"
    " max_swr REAL, swr_at_peak REAL,"
    " forward_at_peak INTEGER NOT NULL, reflected_at_peak INTEGER NOT NULL,"
    " readings INTEGER NOT NULL, cut_short INTEGER NOT NULL,"
    " frequency_hz INTEGER, band TEXT, mode TEXT);"
    "CREATE INDEX transmissions_by_start ON transmissions(start_unix_ms, id);"
    // For summaries of long ranges: read in group order from the index alone.
    "CREATE INDEX transmissions_by_sensor ON transmissions(sensor, band, start_unix_ms,"
    " end_unix_ms, peak_power, max_swr);"
    // The highest power and SWR per second with readings (unix seconds),
    // and the same per minute for long ranges.
    "CREATE TABLE history(second INTEGER PRIMARY KEY, power REAL, swr REAL) WITHOUT ROWID;"
    "CREATE TABLE history_minute(minute INTEGER PRIMARY KEY, power REAL, swr REAL)"
    " WITHOUT ROWID;",
    // Per UTC day (unix ms / 86400000), sensor and band ('' for none): what
    // a summary of many days needs, so a year is a few thousand rows, not
    // every transmission. Kept by a trigger on each new transmission, made
    // from the rows already there, and mended by the writer after pruning.
    "CREATE TABLE transmission_days(day INTEGER NOT NULL, sensor INTEGER NOT NULL,"
    " band TEXT NOT NULL, transmissions INTEGER NOT NULL, on_air_ms INTEGER NOT NULL,"
    " peak_power REAL NOT NULL, max_swr REAL, PRIMARY KEY(day, sensor, band)) WITHOUT ROWID;"
    "INSERT INTO transmission_days SELECT start_unix_ms / 86400000, sensor, ifnull(band, ''),"
    " count(*), sum(end_unix_ms - start_unix_ms), max(peak_power), max(max_swr)"
    " FROM transmissions GROUP BY 1, 2, 3;"
    "CREATE TRIGGER transmission_days_add AFTER INSERT ON transmissions BEGIN"
    " INSERT INTO transmission_days VALUES(new.start_unix_ms / 86400000, new.sensor,"
    " ifnull(new.band, ''), 1, new.end_unix_ms - new.start_unix_ms, new.peak_power, new.max_swr)"
    " ON CONFLICT(day, sensor, band) DO UPDATE SET transmissions = transmissions + 1,"
    " on_air_ms = on_air_ms + excluded.on_air_ms,"
    " peak_power = max(peak_power, excluded.peak_power),"
    " max_swr = CASE WHEN max_swr IS NULL OR excluded.max_swr > max_swr THEN excluded.max_swr"
    " ELSE max_swr END;"
    " END;",
    // QSOs as a logging program reports them, with what the meter measured
    // over their transmissions (NULL until one of them is in the log).
    "CREATE TABLE qsos(id INTEGER PRIMARY KEY, call TEXT NOT NULL, grid TEXT NOT NULL,"
    " band TEXT NOT NULL, frequency_hz INTEGER, mode TEXT NOT NULL, report_sent TEXT NOT NULL,"
    " report_received TEXT NOT NULL, time_on_unix_ms INTEGER NOT NULL,"
    " time_off_unix_ms INTEGER NOT NULL, sender TEXT NOT NULL, transmissions INTEGER,"
    " peak_power REAL, average_power REAL, max_swr REAL, on_air_ms INTEGER, sensor INTEGER);"
    "CREATE INDEX qsos_by_time_on ON qsos(time_on_unix_ms, id);"
    "CREATE INDEX qsos_by_time_off ON qsos(time_off_unix_ms);",
    // Each SWR alarm: what raised it, its acknowledgement, the requests to
    // stop the transmitter and the readings of its window at the
    // controller's rate (n counts them from the window's start).
    "CREATE TABLE alarms(id INTEGER PRIMARY KEY, raised_unix_ms INTEGER NOT NULL,"
    " sensor INTEGER NOT NULL, band TEXT, frequency_hz INTEGER, swr REAL NOT NULL,"
    " peak_swr REAL NOT NULL, power REAL NOT NULL, limit_swr REAL NOT NULL,"
    " acknowledged_unix_ms INTEGER, acknowledged_via TEXT,"
    " window_from_unix_ms INTEGER NOT NULL, window_to_unix_ms INTEGER NOT NULL,"
    " readings INTEGER NOT NULL DEFAULT 0, complete INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX alarms_by_time ON alarms(raised_unix_ms, id);"
    "CREATE TABLE alarm_halts(alarm_id INTEGER NOT NULL, target TEXT NOT NULL,"
    " outcome TEXT NOT NULL, detail TEXT NOT NULL, unix_ms INTEGER NOT NULL,"
    " delay_ms INTEGER NOT NULL, PRIMARY KEY(alarm_id, target)) WITHOUT ROWID;"
    "CREATE TABLE alarm_readings(alarm_id INTEGER NOT NULL, n INTEGER NOT NULL,"
    " unix_ms INTEGER NOT NULL, sensor INTEGER NOT NULL, power REAL, swr REAL,"
    " PRIMARY KEY(alarm_id, n)) WITHOUT ROWID;",
    // The antenna a source selected (N1MM Logger+'s number), NULL where
    // none is known; the antenna's health reads each antenna's newest
    // transmissions of a sensor and band from the index.
    "ALTER TABLE transmissions ADD COLUMN antenna INTEGER;"
    "ALTER TABLE qsos ADD COLUMN antenna INTEGER;"
    "CREATE INDEX transmissions_by_antenna ON transmissions(sensor, band, antenna,"
    " start_unix_ms) WHERE swr_at_peak IS NOT NULL;",
};
static_assert(sizeof(kMigrations) / sizeof(kMigrations[0]) == kLogSchemaVersion,
              "one migration per schema version");

// The file exists with content that is not SQLite's.
bool ForeignBytes(const std::string& path) {
  char head[16] = {};
  const int n = ReadFileStart(path, head, sizeof head);
  if (n <= 0) return false;
  return n < 16 || std::memcmp(head, "SQLite format 3", 16) != 0;
}

bool FileExists(const std::string& path) {
  char byte = 0;
  return ReadFileStart(path, &byte, 1) >= 0;
}

bool DamageCode(int code) {
  return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

// SQLite's progress callback: non-zero interrupts the statement.
int PastDeadline(void* deadline) {
  return std::chrono::steady_clock::now() >
         *static_cast<std::chrono::steady_clock::time_point*>(deadline);
}

// quick_check's report on one line, without its "*** in database main ***".
std::string OneLine(std::string text) {
  const std::string banner = "*** in database main ***\n";
  if (text.compare(0, banner.size(), banner) == 0) text.erase(0, banner.size());
  for (std::size_t i; (i = text.find('\n')) != std::string::npos;) text.replace(i, 1, "; ");
  return text.size() > 200 ? text.substr(0, 200) + "..." : text;
}

}  // namespace

LogDb::~LogDb() { Close(); }

void LogDb::Close() {
  if (db_ != nullptr) sqlite3_close_v2(db_);
  db_ = nullptr;
  version_ = 0;
}

bool LogDb::Damaged() const { return db_ != nullptr && DamageCode(sqlite3_extended_errcode(db_)); }

void LogDb::LeaveFileAsIs() {
  if (db_ != nullptr) sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
}

bool LogDb::Exec(const char* sql, std::string& error) {
  char* message = nullptr;
  if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK) return true;
  error = message != nullptr ? message : sqlite3_errmsg(db_);
  sqlite3_free(message);
  return false;
}

bool LogDb::QueryInt(const char* sql, std::int64_t& value, std::string& error) {
  Statement s(db_, sql);
  const int rc = s.ok() ? sqlite3_step(s.get()) : SQLITE_ERROR;
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
    error = sqlite3_errmsg(db_);
    return false;
  }
  value = rc == SQLITE_ROW ? sqlite3_column_int64(s.get(), 0) : 0;
  return true;
}

LogOpen LogDb::Open(const std::string& path, bool write, std::string& error) {
  Close();
  checkCutShort_ = false;
  if (ForeignBytes(path)) {
    error = "it is not a station log";
    return LogOpen::Foreign;
  }
  if (!write && !FileExists(path)) {
    error = "there is no such file";
    return LogOpen::Missing;
  }
  const int flags = (write ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READONLY) |
                    SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    error = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
    Close();
    return LogOpen::Unwritable;
  }
  sqlite3_extended_result_codes(db_, 1);
  const LogOpen result = Prepare(write, error);
  if (result == LogOpen::Damaged) LeaveFileAsIs();
  if (result != LogOpen::Ok) Close();
  return result;
}

LogOpen LogDb::Prepare(bool write, std::string& error) {
  sqlite3_busy_timeout(db_, write ? 1000 : 5000);
  std::int64_t appId = 0, version = 0, objects = 0;
  if (!QueryInt("PRAGMA application_id", appId, error) ||
      !QueryInt("PRAGMA user_version", version, error) ||
      !QueryInt("SELECT count(*) FROM sqlite_master", objects, error)) {
    if (sqlite3_errcode(db_) == SQLITE_NOTADB) {
      error = "it is not a station log";
      return LogOpen::Foreign;
    }
    if (Damaged()) {
      error = "it is damaged (" + error + ")";
      return LogOpen::Damaged;
    }
    return LogOpen::Unwritable;
  }
  if (appId != kApplicationId && (appId != 0 || objects != 0)) {
    error = "it is not a station log (an SQLite file of another program)";
    return LogOpen::Foreign;
  }
  if (version > kLogSchemaVersion) {
    error = "it was written by a newer version (schema " + std::to_string(version) + ")";
    return LogOpen::Newer;
  }
  if (!write && version == 0) {
    error = "it holds no station log yet";
    return LogOpen::Missing;
  }
  version_ = static_cast<int>(version);
  if (!write) return LogOpen::Ok;
  if (sqlite3_db_readonly(db_, "main") == 1) {
    error = "the file is read-only";
    return LogOpen::Unwritable;
  }
  if (objects != 0) {
    const LogOpen checked = Check(error);
    if (checked != LogOpen::Ok) return checked;
  }
  if (!Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", error)) {
    return LogOpen::Unwritable;
  }
  for (std::int64_t v = version; v < kLogSchemaVersion; ++v) {
    const std::string sql = "BEGIN IMMEDIATE;" + std::string(kMigrations[v]) +
                            "PRAGMA application_id=" + std::to_string(kApplicationId) +
                            ";PRAGMA user_version=" + std::to_string(v + 1) + ";COMMIT;";
    if (!Exec(sql.c_str(), error)) {
      std::string ignored;
      Exec("ROLLBACK", ignored);
      return LogOpen::Unwritable;
    }
    version_ = static_cast<int>(v + 1);
  }
  return LogOpen::Ok;
}

// PRAGMA quick_check reads every page and cell of the file's b-trees (all
// that the queries and the writer will touch) but does not compare the
// indexes with their tables, which integrity_check does in over twice the
// time. Bounded: past kLogCheckSeconds the file is opened unchecked.
LogOpen LogDb::Check(std::string& error) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kLogCheckSeconds);
  sqlite3_progress_handler(db_, 10000, PastDeadline, &deadline);
  std::string report;
  int rc;
  {
    Statement s(db_, "PRAGMA quick_check(1)");
    rc = s.ok() ? sqlite3_step(s.get()) : sqlite3_extended_errcode(db_);
    if (rc == SQLITE_ROW) {
      const unsigned char* text = sqlite3_column_text(s.get(), 0);
      report = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    } else {
      report = sqlite3_errmsg(db_);
    }
  }
  sqlite3_progress_handler(db_, 0, nullptr, nullptr);
  if (rc == SQLITE_ROW && report == "ok") return LogOpen::Ok;
  if ((rc & 0xff) == SQLITE_INTERRUPT) {
    checkCutShort_ = true;
    return LogOpen::Ok;
  }
  error = rc == SQLITE_ROW || DamageCode(rc) ? "it is damaged (" + OneLine(report) + ")" : report;
  return rc == SQLITE_ROW || DamageCode(rc) ? LogOpen::Damaged : LogOpen::Unwritable;
}

std::string SalvageAdvice(const std::string& path) {
  return "salvage what is readable into a new file (`sqlite3 " + path +
         " .recover | sqlite3 NEW.db`; the user's guide tells more) and serve with --log NEW.db,"
         " or with --log on an empty new file";
}

Statement::Statement(sqlite3* db, const char* sql) {
  if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

std::string ColumnText(sqlite3_stmt* s, int i) {
  const unsigned char* t = sqlite3_column_text(s, i);
  return t != nullptr ? reinterpret_cast<const char*>(t) : "";
}

bool SqlFailed(LogDb& db, std::string& error) {
  error = sqlite3_errmsg(db.get());
  return false;
}

}  // namespace station
