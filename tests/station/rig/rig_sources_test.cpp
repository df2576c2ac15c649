// The one rule for several transceiver sources, and the boxes that apply it.
#include "station/rig/rig_sources.h"

#include <gtest/gtest.h>

namespace station {
namespace {

RigState Rig(std::optional<std::int64_t> hz, std::optional<bool> ptt, const char* mode,
             std::optional<int> antenna = std::nullopt) {
  RigState s;
  s.connected = true;
  s.frequencyHz = hz;
  s.ptt = ptt;
  s.mode = mode;
  s.antenna = antenna;
  SetBand(s);
  return s;
}

RigStates Of(const RigState& rig, const RigState& n1mm, const RigState& wsjtx) {
  RigStates states;
  states[static_cast<std::size_t>(RigSource::Rig)] = rig;
  states[static_cast<std::size_t>(RigSource::N1mm)] = n1mm;
  states[static_cast<std::size_t>(RigSource::Wsjtx)] = wsjtx;
  return states;
}

TEST(RigSources, FirstConnectedTunesAnyKeys) {
  const RigState none;
  const RigState rigRx = Rig(7074000, false, "PKTUSB");
  const RigState rigTx = Rig(7074000, true, "PKTUSB");
  const RigState rigNoPtt = Rig(7074000, std::nullopt, "PKTUSB");
  const RigState n1mmRx = Rig(3520000, false, "CW", 2);
  const RigState n1mmTx = Rig(3520000, true, "CW", 5);
  const RigState wsjtxRx = Rig(14075500, false, "FT8");
  const RigState wsjtxTx = Rig(14075500, true, "FT8");
  const struct {
    const char* name;
    RigState rig, n1mm, wsjtx;
    bool connected;
    const char* band;
    std::optional<bool> ptt;
    std::optional<int> antenna;
  } cases[] = {
      {"none", none, none, none, false, "", std::nullopt, std::nullopt},
      {"the rig alone", rigTx, none, none, true, "40m", true, std::nullopt},
      {"WSJT-X alone", none, none, wsjtxTx, true, "20m", true, std::nullopt},
      {"N1MM alone", none, n1mmTx, none, true, "80m", true, 5},
      {"rig and WSJT-X receiving: the rig's band", rigRx, none, wsjtxRx, true, "40m", false, std::nullopt},
      {"WSJT-X keys through VOX", rigRx, none, wsjtxTx, true, "40m", true, std::nullopt},
      {"the rig keyed by its microphone", rigTx, none, wsjtxRx, true, "40m", true, std::nullopt},
      {"a rig without PTT", rigNoPtt, none, wsjtxRx, true, "40m", false, std::nullopt},
      {"a rig without PTT, WSJT-X keys", rigNoPtt, none, wsjtxTx, true, "40m", true, std::nullopt},
      {"a rig without PTT alone", rigNoPtt, none, none, true, "40m", std::nullopt, std::nullopt},
      {"N1MM over WSJT-X", none, n1mmRx, wsjtxTx, true, "80m", true, 2},
      {"the rig over N1MM, N1MM's antenna", rigRx, n1mmTx, none, true, "40m", true, 5},
      {"all three", rigRx, n1mmRx, wsjtxRx, true, "40m", false, 2},
  };
  for (const auto& c : cases) {
    const RigState out = CombineRig(Of(c.rig, c.n1mm, c.wsjtx));
    EXPECT_EQ(out.connected, c.connected) << c.name;
    EXPECT_EQ(out.band, c.band) << c.name;
    EXPECT_EQ(out.ptt, c.ptt) << c.name;
    EXPECT_EQ(out.antenna, c.antenna) << c.name;
  }
}

TEST(RigSources, MergeIntoTheStationsBox) {
  RigStateBox out;
  RigSources sources(out);
  sources.Of(RigSource::Wsjtx).Store(Rig(14075500, true, "FT8"));
  EXPECT_EQ(out.Snapshot().band, "20m");
  sources.Of(RigSource::Rig).Store(Rig(7074000, false, "PKTUSB"));
  EXPECT_EQ(out.Snapshot().band, "40m");
  EXPECT_EQ(out.Snapshot().ptt, true);
  sources.Of(RigSource::Wsjtx).Store(RigState{});
  EXPECT_EQ(out.Snapshot().ptt, false);
}

}  // namespace
}  // namespace station
