// A page of rows newest first, as the transmissions, the QSOs and the alarms
// are read: the SQL that picks the page from a TransmissionQuery, and the
// gathering of q.limit items that asks for one more to know of a next page.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "station/log/log_queries.h"

struct sqlite3_stmt;

namespace station {

// " WHERE ... ORDER BY ... LIMIT ?6" for rows by `timeColumn` (unix ms),
// then id, newest first: q.from <= time < q.to, the band when q has one, and
// before q.after. Its parameters ?1 to ?6 are BindPage's.
std::string PageClause(const std::string& timeColumn);
void BindPage(sqlite3_stmt* s, const TransmissionQuery& q);

// Fills `page` (items, next) with q.limit items from `each(db, q, row,
// error)`, asked for one row more: that one, when there is one, makes the
// key of the last item kept the page's next.
template <typename Item, typename Page, typename Each, typename Key>
bool GatherPage(LogDb& db, const TransmissionQuery& q, Page& page, Each each, Key key,
                std::string& error) {
  TransmissionQuery oneMore = q;
  oneMore.limit = q.limit + 1;
  page = Page{};
  return each(db, oneMore, [&](const Item& item) {
    if (static_cast<long>(page.items.size()) >= q.limit) {
      if (!page.items.empty()) page.next = key(page.items.back());
      return false;
    }
    page.items.push_back(item);
    return true;
  }, error);
}

}  // namespace station
