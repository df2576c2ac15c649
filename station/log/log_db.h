// The station log's SQLite file: opening it for the writer or a reader,
// telling a station log from any other file or a damaged one, and the
// schema with its version and migrations.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace station {

enum class LogOpen {
  Ok,
  Missing,     // a reader found no file
  Foreign,     // the file is something else: never written to
  Newer,       // a newer program's schema
  Damaged,     // malformed (SQLITE_CORRUPT, SQLITE_NOTADB): never written to
  Unwritable,  // read-only, full or otherwise failing: worth another try later
};

// An open connection; closed with the object.
class LogDb {
 public:
  LogDb() = default;
  ~LogDb();
  LogDb(const LogDb&) = delete;
  LogDb& operator=(const LogDb&) = delete;

  // write: the server's one connection (creates and migrates the file),
  // after a quick check of the whole file; otherwise a reader's, unchecked.
  // `error` says what went wrong in one phrase.
  LogOpen Open(const std::string& path, bool write, std::string& error);
  void Close();
  // The last failure on this connection says the file is malformed.
  bool Damaged() const;
  // Closing will leave the file as it is: the write-ahead log is not copied
  // into it (SQLite does that when the last connection closes).
  void LeaveFileAsIs();
  // The writer's check ran out of time (kLogCheckSeconds) on a file that
  // large or a disk that slow; the file was opened unchecked.
  bool checkCutShort() const { return checkCutShort_; }
  sqlite3* get() const { return db_; }
  // Runs SQL without results; false with `error`.
  bool Exec(const char* sql, std::string& error);
  // The first column of the first row of a query, as an integer.
  bool QueryInt(const char* sql, std::int64_t& value, std::string& error);
  // The file's schema version once open: a reader may find an older one
  // than the writer would make of it.
  int schemaVersion() const { return version_; }

 private:
  LogOpen Prepare(bool write, std::string& error);
  LogOpen Check(std::string& error);
  sqlite3* db_ = nullptr;
  int version_ = 0;
  bool checkCutShort_ = false;
};

// A prepared statement; finalized with the object.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return stmt_; }
  bool ok() const { return stmt_ != nullptr; }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// The text of column `i` of the row at hand ("" for NULL).
std::string ColumnText(sqlite3_stmt* s, int i);
// Sets `error` to SQLite's words on the connection's last failure; false.
bool SqlFailed(LogDb& db, std::string& error);

// What to do with a damaged log, in a phrase: salvage it, or start anew.
std::string SalvageAdvice(const std::string& path);

// The bound of the writer's check at opening (a busy year takes about half
// a second on a warm cache).
constexpr int kLogCheckSeconds = 20;

constexpr int kLogSchemaVersion = 5;
// The first schema with the per-day table of transmissions.
constexpr int kLogSchemaTransmissionDays = 2;
// The first schema with the table of QSOs.
constexpr int kLogSchemaQsos = 3;
// The first schema with the alarms and their readings.
constexpr int kLogSchemaAlarms = 4;
// The first schema with the antenna of transmissions and QSOs.
constexpr int kLogSchemaAntennas = 5;

}  // namespace station
