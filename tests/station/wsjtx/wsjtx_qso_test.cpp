// WSJT-X's logged QSOs as the log's: both messages, and one QSO reported
// both ways logged once.
#include "station/wsjtx/wsjtx_qso.h"

#include <gtest/gtest.h>

namespace station {
namespace {

constexpr std::int64_t kDay = 20431;  // 2025-12-09
constexpr std::int64_t kOn = kDay * 86400000 + (12 * 3600 + 30 * 60 + 15) * 1000;  // 12:30:15

WsjtxTime Utc(std::int64_t unixMs) {
  WsjtxTime t;
  t.unixMs = unixMs;
  return t;
}

WsjtxMessage Logged(const char* call, std::uint64_t txHz, std::optional<std::int64_t> on,
                    std::optional<std::int64_t> off) {
  WsjtxMessage m;
  m.result = WsjtxParse::Ok;
  m.header.type = static_cast<std::uint32_t>(WsjtxType::QsoLogged);
  m.header.id = "WSJT-X";
  m.qso.dxCall = call;
  m.qso.dxGrid = "JO22";
  m.qso.txHz = txHz;
  m.qso.mode = "ft8";
  m.qso.reportSent = "-10";
  m.qso.reportReceived = "+03";
  m.qso.txPower = "100W";
  if (on) m.qso.timeOn = Utc(*on);
  if (off) m.qso.timeOff = Utc(*off);
  return m;
}

WsjtxMessage Adif(const std::string& text) {
  WsjtxMessage m;
  m.result = WsjtxParse::Ok;
  m.header.type = static_cast<std::uint32_t>(WsjtxType::LoggedAdif);
  m.header.id = "WSJT-X";
  m.adif = text;
  return m;
}

const char kRecord[] =
    "<call:5>PA1XY <gridsquare:4>JO22 <mode:4>MFSK <submode:3>FT4 <rst_sent:3>-10 "
    "<rst_rcvd:3>+03 <qso_date:8>20251209 <time_on:6>123015 <qso_date_off:8>20251209 "
    "<time_off:6>123145 <band:3>20M <freq:9>14.081500 <eor>";

TEST(WsjtxQso, BothMessagesGiveTheQso) {
  const struct {
    const char* what;
    WsjtxMessage m;
    std::optional<std::int64_t> hz;
    const char* band;
    const char* mode;
    std::int64_t offMs;
  } cases[] = {
      {"QSO Logged", Logged("PA1XY", 14075500, kOn, kOn + 90000), 14075500, "20m", "FT8", kOn + 90000},
      {"time off before on", Logged("PA1XY", 14075500, kOn, kOn - 1000), 14075500, "20m", "FT8", kOn},
      {"no time off", Logged("PA1XY", 14075500, kOn, std::nullopt), 14075500, "20m", "FT8", kOn},
      {"outside every band", Logged("PA1XY", 99000000, kOn, kOn), 99000000, "", "FT8", kOn},
      {"ADIF with a header", Adif("\nWSJT-X ADIF Export<eoh>\n" + std::string(kRecord)), 14081500,
       "20m", "FT4", kOn + 90000},
      {"ADIF, header of fields only", Adif("<adif_ver:5>3.1.0<EOH>" + std::string(kRecord)),
       14081500, "20m", "FT4", kOn + 90000},
      {"ADIF, no header", Adif(kRecord), 14081500, "20m", "FT4", kOn + 90000},
  };
  for (const auto& c : cases) {
    const std::optional<Qso> q = QsoOfWsjtx(c.m);
    ASSERT_TRUE(q) << c.what;
    EXPECT_EQ(q->call, "PA1XY") << c.what;
    EXPECT_EQ(q->grid, "JO22") << c.what;
    EXPECT_EQ(q->frequencyHz, c.hz) << c.what;
    EXPECT_EQ(q->band, c.band) << c.what;
    EXPECT_EQ(q->mode, c.mode) << c.what;
    EXPECT_EQ(q->reportSent, "-10") << c.what;
    EXPECT_EQ(q->reportReceived, "+03") << c.what;
    EXPECT_EQ(q->timeOnMs, kOn) << c.what;
    EXPECT_EQ(q->timeOffMs, c.offMs) << c.what;
    EXPECT_EQ(q->sender, "WSJT-X") << c.what;
    EXPECT_FALSE(q->measured) << c.what;
  }
}

TEST(WsjtxQso, WhatGivesNoQso) {
  WsjtxMessage local = Logged("PA1XY", 14075500, std::nullopt, kOn);  // a local time on
  WsjtxMessage status = Logged("PA1XY", 14075500, kOn, kOn);
  status.header.type = static_cast<std::uint32_t>(WsjtxType::Status);
  WsjtxMessage truncated = Logged("PA1XY", 14075500, kOn, kOn);
  truncated.result = WsjtxParse::Truncated;
  const WsjtxMessage none[] = {
      local, status, truncated, Logged("", 14075500, kOn, kOn),
      Adif("<call:5>PA1XY <qso_date:8>20251209 <time_on:4>1230 <eor>"),  // no band
      Adif("<call:5>PA1XY <band:3>20m <time_on:4>1230 <eor>"),           // no date
      Adif("<call:50>PA1XY <eor>"), Adif(""), Adif("<eoh>"),
  };
  for (const WsjtxMessage& m : none) EXPECT_FALSE(QsoOfWsjtx(m)) << m.adif << m.header.type;
}

TEST(WsjtxQso, OneQsoReportedTwiceIsLoggedOnce) {
  const Qso logged = *QsoOfWsjtx(Logged("PA1XY", 14075500, kOn + 400, kOn + 90000));
  const Qso adif = *QsoOfWsjtx(Adif(kRecord));  // the same QSO, its time on to the second
  Qso other = logged;
  WsjtxQsoSeen seen;
  EXPECT_TRUE(seen.First(logged));
  EXPECT_FALSE(seen.First(adif));
  EXPECT_FALSE(seen.First(logged));
  other.band = "40m";
  EXPECT_TRUE(seen.First(other));  // the same call on another band
  other = logged;
  other.timeOnMs += 5 * 60000;
  EXPECT_TRUE(seen.First(other));  // worked again later
  other.sender = "JTDX";
  EXPECT_TRUE(seen.First(other));
  // The memory is bounded: the oldest is forgotten.
  for (std::size_t i = 0; i < WsjtxQsoSeen::kRemembered; ++i) {
    other.call = "K" + std::to_string(i);
    EXPECT_TRUE(seen.First(other));
  }
  EXPECT_TRUE(seen.First(logged));
}

}  // namespace
}  // namespace station
