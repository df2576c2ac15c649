// The station log's records as CSV from one table of columns per record
// type (a column: its name and the record's JSON value), so that the CSV
// and the JSON object cannot differ: the header row, and each record's
// cells, a null empty, numbers and booleans as JSON writes them (they stay
// numbers), texts as the formula-safe text cells.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

namespace station {

template <typename Record>
struct CsvColumn {
  const char* name;
  nlohmann::ordered_json (*value)(const Record&);
};

// One cell of a column's value.
std::string CsvCell(const nlohmann::ordered_json& value);

// The names, comma-separated, without the line's end.
template <typename Record, std::size_t N>
std::string CsvHeaderCells(const CsvColumn<Record> (&columns)[N]) {
  std::string out;
  for (const CsvColumn<Record>& c : columns) out += std::string(&c == columns ? "" : ",") + c.name;
  return out;
}

// `record`'s cells, comma-separated, without the line's end.
template <typename Record, std::size_t N>
void AppendCsvCells(std::string& out, const CsvColumn<Record> (&columns)[N], const Record& record) {
  for (const CsvColumn<Record>& c : columns) {
    if (&c != columns) out += ',';
    out += CsvCell(c.value(record));
  }
}

}  // namespace station
