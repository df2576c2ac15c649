// The parser against datagrams written here in the published layout: both
// schemas, both dialects, every message the station uses, and each way a
// datagram can be cut short, overlong or foreign.
#include "station/wsjtx/wsjtx_message.h"

#include <gtest/gtest.h>

#include <string>

namespace station {
namespace {

// A QDataStream writer of our own, big-endian.
struct Out {
  std::string b;
  Out& U(std::uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) b.push_back(static_cast<char>(v >> (8 * i) & 0xFF));
    return *this;
  }
  Out& Text(const std::string& s) { return U(s.size(), 4), b += s, *this; }
  Out& Null() { return U(0xFFFFFFFF, 4); }
  Out& Time(std::int64_t jd, std::uint32_t ms, int spec, std::int32_t offset = 0) {
    U(static_cast<std::uint64_t>(jd), 8).U(ms, 4).U(spec, 1);
    return spec == 2 ? U(static_cast<std::uint32_t>(offset), 4) : *this;
  }
};

Out Header(std::uint32_t type, const std::string& id, std::uint32_t schema = 2) {
  Out o;
  return o.U(kWsjtxMagic, 4).U(schema, 4).U(type, 4).Text(id), o;
}

// A Status up to DX grid: 14.074 MHz FT8, transmitting, Tx DF 1500 (JTDX: -20).
Out Status(const std::string& id, bool jtdx, std::uint32_t schema = 2) {
  Out o = Header(1, id, schema);
  o.U(14074000, 8).Text("FT8").Text("K1ABC").Text("-12").Text("FT8").U(1, 1).U(1, 1).U(0, 1);
  o.U(1200, 4).U(jtdx ? static_cast<std::uint32_t>(-20) : 1500, 4);
  return o.Text("N0CALL").Text("FN42").Null(), o;
}

constexpr std::int64_t kJd20261209 = 2440588 + 20796;  // 2026-12-09

Out Qso(const std::string& id, bool full) {
  Out o = Header(5, id, 3);
  o.Time(kJd20261209, 50400000, 1).Text("K1ABC").Text("FN42").U(14075500, 8).Text("FT8");
  o.Text("-10").Text("-14").Text("100W").Text("tnx").Text("Joe").Time(kJd20261209, 50340000, 2, 3600);
  if (full) o.Text("OP").Text("N0CALL").Text("EM10").Text("").Text("").Text("");
  return o;
}

TEST(WsjtxMessage, StatusOfBothSchemasAndDialects) {
  const struct {
    const char* name;
    Out datagram;
    WsjtxDialect dialect;
    std::int64_t txDf;
  } cases[] = {
      {"WSJT-X schema 2", Status("WSJT-X", false), WsjtxDialect::Wsjtx, 1500},
      {"WSJT-X schema 3 with later fields and more",
       Status("WSJT-X", false, 3).U(0, 1).Text("").U(0, 1).U(7, 1).U(10, 4).Text("trailing"),
       WsjtxDialect::Wsjtx, 1500},
      {"JTDX, signed DF, Tx first", Status("JTDX", true).U(0, 1).Text("").U(0, 1).U(1, 1),
       WsjtxDialect::Jtdx, -20},
  };
  for (const auto& c : cases) {
    const WsjtxMessage m = ParseWsjtx(c.datagram.b, c.dialect);
    ASSERT_EQ(m.result, WsjtxParse::Ok) << c.name;
    EXPECT_EQ(m.status.dialHz, 14074000u) << c.name;
    EXPECT_EQ(m.status.mode, "FT8") << c.name;
    EXPECT_TRUE(m.status.transmitting) << c.name;
    EXPECT_EQ(m.status.rxDf, 1200) << c.name;
    EXPECT_EQ(m.status.txDf, c.txDf) << c.name;
    EXPECT_EQ(m.status.deGrid, "FN42") << c.name;
    EXPECT_EQ(m.status.dxGrid, "") << c.name;
  }
  const WsjtxMessage wsjtx = ParseWsjtx(cases[1].datagram.b, WsjtxDialect::Wsjtx);
  EXPECT_EQ(wsjtx.status.specialOperation, 7);
  EXPECT_FALSE(wsjtx.status.txFirst);
  const WsjtxMessage jtdx = ParseWsjtx(cases[2].datagram.b, WsjtxDialect::Jtdx);
  EXPECT_EQ(jtdx.status.txFirst, true);
  EXPECT_FALSE(jtdx.status.specialOperation);
}

TEST(WsjtxMessage, QsoLoggedWsjtxAndJtdxLengths) {
  for (bool full : {true, false}) {
    const WsjtxMessage m = ParseWsjtx(Qso("WSJT-X", full).b, WsjtxDialect::Wsjtx);
    ASSERT_EQ(m.result, WsjtxParse::Ok) << full;
    EXPECT_EQ(m.qso.dxCall, "K1ABC");
    EXPECT_EQ(m.qso.txHz, 14075500u);
    EXPECT_EQ(m.qso.txPower, "100W");
    EXPECT_EQ(m.qso.timeOff.unixMs, 1796824800000);  // 2026-12-09 14:00:00Z
    // 13:59 at UTC+1 is 12:59Z.
    EXPECT_EQ(m.qso.timeOn.unixMs, 1796824800000 - 60000 - 3600000);
    EXPECT_EQ(m.qso.myGrid, full ? "EM10" : "");
  }
}

TEST(WsjtxMessage, HeartbeatAdifCloseAndTheDialectTheyTell) {
  const WsjtxMessage hb = ParseWsjtx(Header(0, "JTDX").U(3, 4).Text("2.2.159").Text("").b, WsjtxDialect::Wsjtx);
  ASSERT_EQ(hb.result, WsjtxParse::Ok);
  EXPECT_EQ(hb.heartbeat.maxSchema, 3u);
  EXPECT_EQ(WsjtxDialectOf(hb.header.id, hb.heartbeat.version), WsjtxDialect::Jtdx);
  EXPECT_EQ(WsjtxDialectOf("WSJT-X", "2.6.1"), WsjtxDialect::Wsjtx);
  EXPECT_EQ(WsjtxDialectOf("x", "jtdx 2.2"), WsjtxDialect::Jtdx);
  const WsjtxMessage adif = ParseWsjtx(Header(12, "WSJT-X").Text("<call:5>K1ABC <eor>").b, WsjtxDialect::Wsjtx);
  EXPECT_EQ(adif.result, WsjtxParse::Ok);
  EXPECT_EQ(adif.adif, "<call:5>K1ABC <eor>");
  EXPECT_EQ(ParseWsjtx(Header(6, "WSJT-X").b, WsjtxDialect::Wsjtx).result, WsjtxParse::Ok);
}

TEST(WsjtxMessage, RefusedDatagrams) {
  std::string badMagic = Status("WSJT-X", false).b;
  badMagic[0] = 0;
  std::string cut = Status("WSJT-X", false).b;
  cut.resize(cut.size() - 2);  // inside DX grid's length
  Out longText = Header(12, "WSJT-X");
  longText.U(kWsjtxMaxText + 1, 4).b += std::string(kWsjtxMaxText + 1, 'x');
  Out lying = Header(12, "WSJT-X");
  lying.U(1000, 4).b += "short";
  const struct {
    const char* name;
    std::string datagram;
    WsjtxParse result;
  } cases[] = {
      {"empty", "", WsjtxParse::NotWsjtx},
      {"another magic", badMagic, WsjtxParse::NotWsjtx},
      {"schema 1", Status("WSJT-X", false, 1).b, WsjtxParse::Schema},
      {"schema 4", Status("WSJT-X", false, 4).b, WsjtxParse::Schema},
      {"unknown type", Header(2, "WSJT-X").Text("decode").b, WsjtxParse::Unknown},
      {"header cut in the id", Header(0, "WSJT-X").b.substr(0, 15), WsjtxParse::Truncated},
      {"Status cut inside a field", cut, WsjtxParse::Truncated},
      {"Status cut before its required fields end", Status("WSJT-X", false).b.substr(0, 40),
       WsjtxParse::Truncated},
      {"a text over the bound", longText.b, WsjtxParse::Broken},
      {"a length beyond the datagram", lying.b, WsjtxParse::Truncated},
      {"a time in a zone", Header(5, "WSJT-X").Time(kJd20261209, 0, 3).b, WsjtxParse::Broken},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseWsjtx(c.datagram, WsjtxDialect::Wsjtx).result, c.result) << c.name;
  }
}

TEST(WsjtxMessage, NullAndOutlandishTimesHaveNoUnixTime) {
  const struct {
    std::int64_t jd;
    std::uint32_t ms;
    int spec;
  } cases[] = {{INT64_MIN, 0, 1}, {kJd20261209, 0xFFFFFFFF, 1}, {INT64_MAX, 0, 1}, {kJd20261209, 0, 0}};
  for (const auto& c : cases) {
    Out o = Qso("WSJT-X", true);
    // Time off is the first field after the header (17 bytes + the id).
    Out t;
    t.Time(c.jd, c.ms, c.spec);
    o.b.replace(4 * 3 + 4 + 6, 13, t.b);
    const WsjtxMessage m = ParseWsjtx(o.b, WsjtxDialect::Wsjtx);
    ASSERT_EQ(m.result, WsjtxParse::Ok);
    EXPECT_FALSE(m.qso.timeOff.unixMs) << c.jd << " " << c.ms;
  }
}

TEST(WsjtxMessage, HaltTxEncodesTheLayout) {
  Out expected = Header(8, "WSJT-X");
  expected.U(1, 1);
  EXPECT_EQ(EncodeWsjtxHaltTx("WSJT-X", true), expected.b);
  const std::optional<WsjtxHeader> header = ParseWsjtxHeader(EncodeWsjtxHaltTx("JTDX", false, 3));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->schema, 3u);
  EXPECT_EQ(header->type, 8u);
  EXPECT_EQ(header->id, "JTDX");
  EXPECT_EQ(EncodeWsjtxHaltTx("JTDX", false).back(), '\0');
}

}  // namespace
}  // namespace station
