// The pure parts of the rig link: band edges, the rigctld answer parser and
// the --rig option's parser.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "station/rig/bands.h"
#include "station/rig/rig_options.h"
#include "station/rig/rig_protocol.h"
#include "station/rig/rig_state.h"

namespace station {
namespace {

TEST(Bands, EveryEdgeBelongsToItsBandAndOneHertzBeyondDoesNot) {
  // The plan's data checked against the allocations it must cover.
  const std::vector<std::tuple<const char*, std::int64_t, std::int64_t>> expected = {
      {"2200m", 135'700, 137'800}, {"630m", 472'000, 479'000}, {"160m", 1'800'000, 2'000'000},
      {"80m", 3'500'000, 4'000'000}, {"60m", 5'250'000, 5'450'000}, {"40m", 7'000'000, 7'300'000},
      {"30m", 10'100'000, 10'150'000}, {"20m", 14'000'000, 14'350'000},
      {"17m", 18'068'000, 18'168'000}, {"15m", 21'000'000, 21'450'000},
      {"12m", 24'890'000, 24'990'000}, {"10m", 28'000'000, 29'700'000},
      {"6m", 50'000'000, 54'000'000}, {"4m", 69'900'000, 70'500'000},
      {"2m", 144'000'000, 148'000'000}, {"1.25m", 219'000'000, 225'000'000},
      {"70cm", 420'000'000, 450'000'000}, {"33cm", 902'000'000, 928'000'000},
      {"23cm", 1'240'000'000, 1'300'000'000}};
  ASSERT_EQ(BandPlan().size(), expected.size());
  for (const auto& [name, low, high] : expected) {
    SCOPED_TRACE(name);
    for (std::int64_t hz : {low, (low + high) / 2, high}) {
      ASSERT_NE(BandOf(hz), nullptr);
      EXPECT_STREQ(BandOf(hz)->name, name);
    }
    EXPECT_EQ(BandOf(low - 1), nullptr);
    EXPECT_EQ(BandOf(high + 1), nullptr);
  }
  RigState outside;
  outside.frequencyHz = 10'000'000;  // a time signal, in no band
  SetBand(outside);
  EXPECT_EQ(outside.band, "");
  EXPECT_EQ(*outside.frequencyHz, 10'000'000);
}

TEST(RigReply, ParsesAnswersAndRefusesGarbage) {
  using S = RigReplyStatus;
  struct Case {
    const char* bytes;
    RigAsk ask;
    S status;
    std::int64_t hz;  // 0: none
    const char* mode;
    int passband;     // 0: none
    int ptt;          // -1: none
    bool unsupported;
  };
  const RigAsk all{true, true}, noPtt{false, true}, pttOnly{true, false};
  const Case cases[] = {
      {"0\n7100000\nUSB\n2400\n", all, S::Complete, 7100000, "USB", 2400, 0, false},
      {"1\r\n14074000.000000\r\nPKTUSB\r\n3000\r\n", all, S::Complete, 14074000, "PKTUSB", 3000, 1, false},
      {"RPRT -11\n145000000\nFM\n15000\n", all, S::Complete, 145000000, "FM", 15000, -1, true},
      {"3550000\nCW\n0\n", noPtt, S::Complete, 3550000, "CW", 0, -1, false},
      {"RPRT -5\nRPRT -5\n", noPtt, S::Complete, 0, "", 0, -1, false},
      {"0\n7100000\nUS", all, S::Incomplete, 7100000, "", 0, 0, false},
      {"0\n7100000\nUSB\n", all, S::Incomplete, 7100000, "", 0, 0, false},
      {"", all, S::Incomplete, 0, "", 0, -1, false},
      {"hello\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n-7100000\nUSB\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUS B\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\nwide\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\n2400\n0\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n99999999999999\nUSB\n2400\n", all, S::Bad, 0, "", 0, -1, false},
      {"0\n7100000\nUSB\n2400\nx", all, S::Bad, 0, "", 0, -1, false},
      {"1\n", pttOnly, S::Complete, 0, "", 0, 1, false},
      {"RPRT -11\n", pttOnly, S::Complete, 0, "", 0, -1, true},
      {"0\n7100000\n", pttOnly, S::Bad, 0, "", 0, -1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    const RigReply r = ParseRigReply(c.bytes, c.ask);
    ASSERT_EQ(r.status, c.status);
    if (c.status == S::Bad) {
      EXPECT_FALSE(r.bad.empty());
      continue;
    }
    EXPECT_EQ(r.frequencyHz.value_or(0), c.hz);
    if (c.status == S::Complete) {
      EXPECT_EQ(r.mode, c.mode);
      EXPECT_EQ(r.passbandHz.value_or(0), c.passband);
    }
    EXPECT_EQ(r.ptt ? int(*r.ptt) : -1, c.ptt);
    EXPECT_EQ(r.pttUnsupported, c.unsupported);
  }
  // A line or an answer without end is refused as soon as it is too long.
  EXPECT_EQ(ParseRigReply(std::string(kRigMaxLine + 1, '7'), all).status, S::Bad);
  EXPECT_EQ(ParseRigReply(std::string(kRigMaxReply + 1, '\n'), all).status, S::Bad);
  EXPECT_EQ(ParseRigReply("RPRT -5\n", all).rigError, "t: RPRT -5");
}

TEST(RigOptions, HostAndPort) {
  struct Case {
    const char* text;
    const char* host;  // nullptr: refused
    unsigned short port;
  };
  const Case cases[] = {
      {"127.0.0.1", "127.0.0.1", 4532}, {"127.0.0.1:4533", "127.0.0.1", 4533},
      {"[::1]", "::1", 4532}, {"[::1]:9", "::1", 9}, {"shack-pi.local:4532", "shack-pi.local", 4532},
      {"::1", nullptr, 0}, {"127.0.0.1:0", nullptr, 0}, {"127.0.0.1:65536", nullptr, 0},
      {"host:", nullptr, 0}, {"1.2.3", nullptr, 0}, {"-bad", nullptr, 0}, {"a b", nullptr, 0},
      {"", nullptr, 0}, {"[::1", nullptr, 0}, {"[zz::1]:4532", nullptr, 0}, {"h:04532", nullptr, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    RigAddress a;
    std::string error;
    ASSERT_EQ(ParseRigAddress(c.text, a, error), c.host != nullptr) << error;
    if (!c.host) {
      EXPECT_NE(error.find("--rig must be HOST or HOST:PORT"), std::string::npos);
      continue;
    }
    EXPECT_EQ(a.host, c.host);
    EXPECT_EQ(a.port, c.port);
  }
  EXPECT_EQ(RigAddressText({"::1", 4532}), "[::1]:4532");
}

}  // namespace
}  // namespace station
