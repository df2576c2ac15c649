// The station log's CSV read back cell by cell: text that a spreadsheet
// would take for a formula carries a leading apostrophe, numbers stay numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "station/log/log_format.h"

namespace station {
namespace {

// RFC 4180 rows of cells, CRLF between rows.
std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& cell = rows.back().back();
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      cell += c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      rows.back().emplace_back();
    } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.emplace_back(1);
      ++i;
    } else {
      cell += c;
    }
  }
  rows.pop_back();  // after the last CRLF
  return rows;
}

TEST(StationLogCsv, FormulaLikeTextIsWrittenAsText) {
  const struct {
    const char* mode;
    const char* cell;
  } cases[] = {
      {"-A1", "'-A1"},   {"-2-3", "'-2-3"},   {"=1+2", "'=1+2"},     {"+cmd", "'+cmd"},
      {"@SUM(A1)", "'@SUM(A1)"}, {"\tx", "'\tx"}, {"\rx", "'\rx"}, {"=a,\"b\"", "'=a,\"b\""},
      {"USB", "USB"},    {"PKT-USB", "PKT-USB"},
  };
  for (const auto& c : cases) {
    Transmission t;
    t.id = 7;
    t.startUnixMs = 2000;
    t.endUnixMs = 1000;  // a negative duration is still a number
    t.start = "2026-12-09T10:06:40.000+01:00";
    t.mode = c.mode;
    t.band = c.mode;
    const auto rows = ReadCsv(TransmissionsCsv({t}));
    ASSERT_EQ(rows.size(), 2u) << c.mode;
    ASSERT_EQ(rows[1].size(), rows[0].size()) << c.mode;
    EXPECT_EQ(rows[1][17], c.cell);
    EXPECT_EQ(rows[1][16], c.cell);
    EXPECT_EQ(rows[1][5], "-1000");
    EXPECT_EQ(rows[1][3], t.start);
  }
}

}  // namespace
}  // namespace station
