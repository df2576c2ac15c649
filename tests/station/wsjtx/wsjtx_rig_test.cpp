// A Status as the rig state, and --wsjtx's addresses.
#include "station/wsjtx/wsjtx_options.h"
#include "station/wsjtx/wsjtx_rig.h"

#include <gtest/gtest.h>

namespace station {
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

}  // namespace
}  // namespace station

namespace station {
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
}  // namespace station
