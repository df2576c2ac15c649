// The SQL of a page newest first, shared by the transmissions, the QSOs
// and the alarms.
#include "station/log/log_page.h"

#include <sqlite3.h>

#include <limits>

namespace station {

std::string PageClause(const std::string& timeColumn) {
  return " WHERE " + timeColumn + " >= ?1 AND " + timeColumn +
         " < ?2 AND (?3 IS NULL OR band = ?3) AND (" + timeColumn + ", id) < (?4, ?5) ORDER BY " +
         timeColumn + " DESC, id DESC LIMIT ?6";
}

void BindPage(sqlite3_stmt* s, const TransmissionQuery& q) {
  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  sqlite3_bind_int64(s, 1, q.from);
  sqlite3_bind_int64(s, 2, q.to);
  if (q.band) sqlite3_bind_text(s, 3, q.band->c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int64(s, 4, q.after ? q.after->first : kMax);
  sqlite3_bind_int64(s, 5, q.after ? q.after->second : kMax);
  sqlite3_bind_int64(s, 6, q.limit);
}

}  // namespace station
