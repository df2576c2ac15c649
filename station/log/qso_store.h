// The QSOs' rows in the station log: written by the writer's thread inside
// its transaction, read by any reader. A QSO is matched against the
// transmissions already in the file when it is written, and matched again
// when transmissions of its window arrive later.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "station/log/log_queries.h"
#include "station/log/qso.h"

struct sqlite3_stmt;

namespace station {

class LogDb;

// QSOs whose time off is older than this (before the newest transmission
// written) are not matched again: a backlog held while the disk failed is
// an hour at most, and a day bounds the work of a commit.
constexpr std::int64_t kQsoRematchWindowMs = 86400000;

// The transmissions that may belong to `qso` (its window, and `lookbackMs`
// before it for a long transmission that started earlier), oldest first.
bool TransmissionsAround(LogDb& db, const Qso& qso, std::vector<Transmission>& out,
                         std::string& error, std::int64_t lookbackMs = kMaxQsoTransmissionMs);
// The same with one prepared statement for many QSOs (adif fill's
// thousands), reading only what the matcher needs.
class TransmissionsNear {
 public:
  explicit TransmissionsNear(LogDb& db, std::int64_t lookbackMs);
  ~TransmissionsNear();
  TransmissionsNear(const TransmissionsNear&) = delete;
  TransmissionsNear& operator=(const TransmissionsNear&) = delete;
  bool Read(const Qso& qso, std::vector<Transmission>& out, std::string& error);

 private:
  LogDb& db_;
  std::int64_t lookbackMs_;
  sqlite3_stmt* stmt_ = nullptr;
};

// The longest transmission in the file (ms): the least look-back that
// still finds every transmission of a QSO.
bool LongestTransmissionMs(LogDb& db, std::int64_t& ms, std::string& error);

// Writes `qso` with its measurement from the file; false on a failure.
// `stored`, when given, receives the QSO as written (its id, its band and
// measurement).
bool InsertQso(LogDb& db, Qso qso, std::string& error, Qso* stored = nullptr);

// Matches again the QSOs whose window meets [fromMs, toMs) (transmissions
// just written), those with a time off after `notBeforeMs`. `changed`,
// when given, receives those whose measurement the match changed.
bool RematchQsos(LogDb& db, std::int64_t fromMs, std::int64_t toMs, std::int64_t notBeforeMs,
                 std::string& error, std::vector<Qso>* changed = nullptr);

// The QSOs by time on (q.from/q.to/q.band/q.after as for transmissions),
// newest first, each handed to `row`; `row` returns false to stop. A file
// from before the table of QSOs has none.
bool EachQso(LogDb& db, const TransmissionQuery& q, const std::function<bool(const Qso&)>& row,
             std::string& error);
// The same oldest first (q.after unused), for whole lists: a file or the
// command line.
bool EachQsoOldestFirst(LogDb& db, const TransmissionQuery& q,
                        const std::function<bool(const Qso&)>& row, std::string& error);

struct QsoPage {
  std::vector<Qso> items;
  std::optional<std::pair<std::int64_t, std::int64_t>> next;  // more after this
};
bool QueryQsos(LogDb& db, const TransmissionQuery& q, QsoPage& page, std::string& error);

}  // namespace station
