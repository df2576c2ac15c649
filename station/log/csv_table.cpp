// One CSV cell of a column's JSON value; see csv_table.h.
#include "station/log/csv_table.h"

#include "station/core/csv_cell.h"

namespace station {

std::string CsvCell(const nlohmann::ordered_json& value) {
  if (value.is_null()) return "";
  if (!value.is_string()) return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
  return CsvText(value.get<std::string>());
}

}  // namespace station
