// A Status as the rig state, the one rule for --rig with --wsjtx, and
// --wsjtx's addresses.
#include "station/wsjtx/wsjtx_options.h"
#include "station/wsjtx/wsjtx_rig.h"

#include <gtest/gtest.h>

namespace swrctl {
namespace {

TEST(WsjtxRig, StatusGivesTxFrequencyBandModeAndPtt) {
  const struct {
    std::uint64_t dial;
    std::int64_t txDf;
    bool transmitting;
    std::optional<std::int64_t> hz;
    const char* band;
  } cases[] = {
      {14074000, 1500, true, 14075500, "20m"},
      {7074000, 2000, false, 7076000, "40m"},
      {50313000, -20, true, 50312980, "6m"},  // JTDX's signed offset
      {0, 1500, false, std::nullopt, ""},     // no dial yet
      {UINT64_MAX, 0, false, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    WsjtxStatus status;
    status.dialHz = c.dial;
    status.txDf = c.txDf;
    status.mode = "FT8";
    status.transmitting = c.transmitting;
    const RigState rig = RigFromWsjtx(status);
    EXPECT_TRUE(rig.connected);
    EXPECT_EQ(rig.frequencyHz, c.hz) << c.dial;
    EXPECT_EQ(rig.band, c.band) << c.dial;
    EXPECT_EQ(rig.mode, "FT8");
    EXPECT_EQ(rig.ptt, c.transmitting);
  }
}

RigState Rig(bool connected, std::optional<std::int64_t> hz, std::optional<bool> ptt, const char* mode) {
  RigState s;
  s.connected = connected;
  s.frequencyHz = hz;
  s.ptt = ptt;
  s.mode = mode;
  SetBand(s);
  return s;
}

TEST(WsjtxRig, TheRigTunesEitherKeys) {
  const RigState none;
  const RigState rigRx = Rig(true, 7074000, false, "PKTUSB");
  const RigState rigTx = Rig(true, 7074000, true, "PKTUSB");
  const RigState rigNoPtt = Rig(true, 7074000, std::nullopt, "PKTUSB");
  const RigState wsjtxRx = Rig(true, 14075500, false, "FT8");
  const RigState wsjtxTx = Rig(true, 14075500, true, "FT8");
  const struct {
    const char* name;
    RigState rig, wsjtx;
    bool connected;
    const char* band;
    std::optional<bool> ptt;
  } cases[] = {
      {"neither", none, none, false, "", std::nullopt},
      {"the rig alone", rigTx, none, true, "40m", true},
      {"WSJT-X alone", none, wsjtxTx, true, "20m", true},
      {"both receiving: the rig's band", rigRx, wsjtxRx, true, "40m", false},
      {"WSJT-X keys through VOX", rigRx, wsjtxTx, true, "40m", true},
      {"the rig keyed by its microphone", rigTx, wsjtxRx, true, "40m", true},
      {"a rig without PTT", rigNoPtt, wsjtxRx, true, "40m", false},
      {"a rig without PTT, WSJT-X keys", rigNoPtt, wsjtxTx, true, "40m", true},
      {"WSJT-X silent: the rig as it is", rigNoPtt, none, true, "40m", std::nullopt},
  };
  for (const auto& c : cases) {
    const RigState out = CombineRig(c.rig, c.wsjtx);
    EXPECT_EQ(out.connected, c.connected) << c.name;
    EXPECT_EQ(out.band, c.band) << c.name;
    EXPECT_EQ(out.ptt, c.ptt) << c.name;
  }
}

TEST(WsjtxRig, SourcesMergeIntoTheStationsBox) {
  RigStateBox out;
  RigSources sources(out);
  sources.wsjtx.Store(Rig(true, 14075500, true, "FT8"));
  EXPECT_EQ(out.Snapshot().band, "20m");
  sources.rig.Store(Rig(true, 7074000, false, "PKTUSB"));
  EXPECT_EQ(out.Snapshot().band, "40m");
  EXPECT_EQ(out.Snapshot().ptt, true);
  sources.wsjtx.Store(RigState{});
  EXPECT_EQ(out.Snapshot().ptt, false);
}

}  // namespace
}  // namespace swrctl

namespace swrctl {
namespace {

TEST(WsjtxOptions, Addresses) {
  const struct {
    const char* text;
    const char* address;  // nullptr: refused
    unsigned short port;
    bool multicast;
  } cases[] = {
      {"", "127.0.0.1", 2237, false},          {":2238", "127.0.0.1", 2238, false},
      {"localhost", "127.0.0.1", 2237, false}, {"239.255.0.1", "239.255.0.1", 2237, true},
      {"224.0.0.1:2240", "224.0.0.1", 2240, true}, {"0.0.0.0:2237", "0.0.0.0", 2237, false},
      {"240.0.0.1", nullptr, 0, false},        {"255.255.255.255", nullptr, 0, false},
      {"host.example", nullptr, 0, false},     {":0", nullptr, 0, false},
      {":65536", nullptr, 0, false},           {"1.2.3", nullptr, 0, false},
      {"127.0.0.1:", nullptr, 0, false},       {"[::1]:2237", nullptr, 0, false},
  };
  for (const auto& c : cases) {
    WsjtxAddress a;
    std::string error;
    ASSERT_EQ(ParseWsjtxAddress(c.text, a, error), c.address != nullptr) << c.text;
    if (!c.address) {
      EXPECT_EQ(error.find("--wsjtx must be [ADDR][:PORT]"), 0u) << c.text;
      continue;
    }
    EXPECT_EQ(WsjtxAddressText(a), std::string(c.address) + ":" + std::to_string(c.port));
    EXPECT_EQ(a.multicast, c.multicast) << c.text;
  }
}

}  // namespace
}  // namespace swrctl
