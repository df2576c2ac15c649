// ADIF: what we write read back by a small reader of the test's own; a
// file in another logger's conventions filled with every other byte kept;
// a broken length named by its record.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

#include "station/log/adif_fill.h"
#include "station/log/qso_format.h"

namespace station {
namespace {

// The test's own reader: <NAME:LEN> then LEN bytes, upper-cased names, one
// map per record; the header's fields under record 0.
std::vector<std::map<std::string, std::string>> ReadBack(const std::string& text) {
  std::vector<std::map<std::string, std::string>> records(1);
  std::size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    const std::size_t close = text.find('>', i);
    std::string tag = text.substr(i + 1, close - i - 1);
    for (char& c : tag) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    i = close + 1;
    if (tag == "EOH" || tag == "EOR") {
      records.emplace_back();
      continue;
    }
    const std::size_t colon = tag.find(':');
    const std::size_t length = std::strtoul(tag.c_str() + colon + 1, nullptr, 10);
    records.back()[tag.substr(0, colon)] = text.substr(i, length);
    i += length;
  }
  records.pop_back();
  return records;
}

TEST(Adif, WhatWeWriteReadsBack) {
  Qso q;
  q.call = "JA1ABC";
  q.grid = "PM95";
  q.frequencyHz = 7074000 + 1520;
  q.mode = "FT4";
  q.reportSent = "-07";
  q.reportReceived = "+02";
  q.timeOnMs = 1765281845000;  // 2025-12-09 12:04:05 UTC
  q.timeOffMs = q.timeOnMs + 86400000 - 3600000;
  q.measured = QsoMeasurement{3, 95.46, 80.02, 1.456, 15120, 1};
  std::string text = AdifHeader(1765281845000, "1.2.3");
  AppendQsoAdif(text, q);
  q.measured.reset();
  AppendQsoAdif(text, q);
  const auto r = ReadBack(text);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].at("ADIF_VER"), "3.1.4");
  EXPECT_EQ(r[0].at("PROGRAMID"), "SWRPANEL");
  EXPECT_EQ(r[0].at("PROGRAMVERSION"), "1.2.3");
  EXPECT_EQ(r[0].at("CREATED_TIMESTAMP"), "20251209 120405");
  const std::map<std::string, std::string> want = {
      {"CALL", "JA1ABC"}, {"GRIDSQUARE", "PM95"}, {"BAND", "40m"}, {"FREQ", "7.075520"},
      {"MODE", "MFSK"}, {"SUBMODE", "FT4"}, {"RST_SENT", "-07"}, {"RST_RCVD", "+02"},
      {"QSO_DATE", "20251209"}, {"TIME_ON", "120405"}, {"QSO_DATE_OFF", "20251210"},
      {"TIME_OFF", "110405"}, {"TX_PWR", "95.5"}, {"APP_SWRPANEL_AVG_PWR", "80.0"},
      {"APP_SWRPANEL_MAX_SWR", "1.46"}, {"APP_SWRPANEL_TX_SECONDS", "15.1"},
      {"APP_SWRPANEL_SENSOR", "1"}};
  EXPECT_EQ(r[1], want);
  EXPECT_EQ(r[2].count("TX_PWR"), 0u);  // nothing measured: no power claimed
  EXPECT_EQ(r[2].at("CALL"), "JA1ABC");
}

// Another logger's file: a header with comments, lower-case tags, a type
// indicator, TX_PWR as typed text, CRLF, a name in UTF-8, a record that
// no transmission matches, a number kept, and text after the last record.
const char kForeign[] =
    "Exported by SomeLogger 5.2 <c> 2026\r\n"
    "# operator notes: <not a tag\r\n"
    "<adif_ver:5>3.1.0 <programid:10>SomeLogger\r\n"
    "<eoh>\r\n"
    "<call:6>DL1XYZ <name:7>J\xc3\xbcrgen <qso_date:8:D>20251209 <time_on:4>1200\r\n"
    "<time_off:6>120115 <band:3>20M <mode:3>FT8 <tx_pwr:4>100W\r\n"
    "<eor>\r\n"
    "<CALL:5>K1ABC<QSO_DATE:8>20251209<TIME_ON:6>130000<FREQ:9>14.074000<MODE:3>FT8<EOR>\r\n"
    "<call:5>G4XYZ <qso_date:8>20251209 <time_on:4>1400 <band:3>40m <mode:3>SSB "
    "<tx_pwr:3>400 <eOr>\r\n"
    "trailing remarks\r\n";

TEST(Adif, FillKeepsEveryOtherByte) {
  const std::int64_t noon = 1765281600000;  // 2025-12-09 12:00 UTC
  const QsoMeasure measure = [noon](const Qso& q) -> std::optional<QsoMeasurement> {
    if (q.timeOnMs == noon && q.timeOffMs == noon + 75000 && QsoBand(q) == "20m" &&
        q.mode == "FT8") {
      return QsoMeasurement{3, 98.7, 80, 1.5, 37920, 1};
    }
    if (q.timeOnMs == noon + 7200000 && QsoBand(q) == "40m") {
      return QsoMeasurement{1, 380, 300, std::nullopt, 20000, 2};
    }
    return std::nullopt;  // K1ABC: matched on its FREQ's band, but nothing measured
  };
  std::ostringstream out;
  AdifFillCounts counts;
  std::string error;
  ASSERT_TRUE(FillAdif(kForeign, measure, {}, out, counts, error)) << error;
  std::string want = kForeign;
  const auto replace = [&want](const std::string& from, const std::string& to) {
    want.replace(want.find(from), from.size(), to);
  };
  replace("<tx_pwr:4>100W\r\n<eor>",
          "<tx_pwr:4>98.7\r\n<APP_SWRPANEL_AVG_PWR:4>80.0 <APP_SWRPANEL_MAX_SWR:4>1.50 "
          "<APP_SWRPANEL_TX_SECONDS:4>37.9 <APP_SWRPANEL_SENSOR:1>1 <eor>");
  replace("<tx_pwr:3>400 <eOr>",
          "<tx_pwr:3>400 <APP_SWRPANEL_AVG_PWR:5>300.0 <APP_SWRPANEL_TX_SECONDS:4>20.0 "
          "<APP_SWRPANEL_SENSOR:1>2 <eOr>");
  EXPECT_EQ(out.str(), want);
  EXPECT_EQ(counts.records, 3);
  EXPECT_EQ(counts.filled, 2);
  EXPECT_EQ(counts.unmatched, 1);
  EXPECT_EQ(counts.powerKept, 1);

  // Filled again, with --replace: our fields are rewritten, not repeated.
  std::ostringstream again;
  ASSERT_TRUE(FillAdif(out.str(), measure, {true}, again, counts, error)) << error;
  replace("<tx_pwr:3>400", "<tx_pwr:5>380.0");
  EXPECT_EQ(again.str(), want);
}

TEST(Adif, BrokenFilesAreNamedAndNothingIsWritten) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"<call:5>K1ABC<eor><call:40>SHORT<eor>", "record 2 (at byte 18): the field call's length"},
      {"<call:5>K1ABC<eor><call:x>K1ABC<eor>", "record 2 (at byte 18): the field call has no"},
      {"<call:5>K1ABC<eor><call:5>K1ABC", "record 2 (at byte 18): the file ends before"},
      {"a header that never ends <call:5>K1ABC", "the header"},
      {"<call:5>K1ABC<tx_pwr>100<eor>", "record 1 (at byte 0): the field <tx_pwr> has no length"},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    AdifFillCounts counts;
    std::string error;
    EXPECT_FALSE(FillAdif(c.text, [](const Qso&) { return std::nullopt; }, {}, out, counts, error));
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    EXPECT_EQ(out.str(), "");
  }
}

}  // namespace
}  // namespace station
