// N1MM Logger+'s datagrams read: what the bounded XML reader takes and
// refuses, RadioInfo as the rig state, contactinfo as a QSO, and the radio
// chosen of two.
#include "station/n1mm/n1mm_message.h"
#include "station/n1mm/n1mm_xml.h"

#include <gtest/gtest.h>

namespace station {
namespace {

std::string Radio(int nr, int active, const char* freq, const char* tx, const char* transmitting,
                  int antenna) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<RadioInfo>\r\n<app>N1MM</app>"
         "<StationName>CONTEST-PC</StationName><RadioNr>" + std::to_string(nr) +
         "</RadioNr><Freq>" + freq + "</Freq><TXFreq>" + tx + "</TXFreq><Mode>CW</Mode>"
         "<IsTransmitting>" + transmitting + "</IsTransmitting><ActiveRadioNr>" +
         std::to_string(active) + "</ActiveRadioNr><Antenna>" + std::to_string(antenna) +
         "</Antenna><IsConnected>True</IsConnected></RadioInfo>\r\n";
}

TEST(N1mmXml, TakesWellFormedRefusesTheRest) {
  const std::string deep = std::string(9 * 3, 'x');
  std::string nested;
  for (int i = 0; i < 9; ++i) nested += "<a>";
  for (int i = 0; i < 9; ++i) nested += "</a>";
  std::string many = "<r>";
  for (int i = 0; i < 300; ++i) many += "<f/>";
  many += "</r>";
  const struct {
    std::string text;
    bool ok;
    const char* field;  // the text of <f>, when ok
  } cases[] = {
      {"<r><f>a &amp; b &#x263A;&#65;</f></r>", true, "a & b \xE2\x98\xBA" "A"},
      {"\xEF\xBB\xBF<?xml version='1.0'?><!-- c --><r x=\"1\" y='2'><f><![CDATA[<raw>]]></f></r>\n", true, "<raw>"},
      {"<r><f/><g><f>inner</f></g></r>", true, ""},  // only the root's children are fields
      {"<r><f>x</f></r>trailing", false, nullptr},
      {"<r><f>x</g></r>", false, nullptr},
      {"<r><f>x</f>", false, nullptr},
      {"<r><f>&bogus;</f></r>", false, nullptr},
      {"<r><f>&#0;</f></r>", false, nullptr},
      {"<r><f>&#xD800;</f></r>", false, nullptr},
      {"<!DOCTYPE r [<!ENTITY e \"x\">]><r><f>&e;</f></r>", false, nullptr},
      {"<r a=\"<\"></r>", false, nullptr},
      {"<r><f>x</f></r><r/>", false, nullptr},
      {nested, false, nullptr},
      {many, false, nullptr},
      {std::string(kXmlMaxBytes + 1, ' '), false, nullptr},
      {"", false, nullptr},
  };
  for (const auto& c : cases) {
    const std::optional<FlatXml> xml = ParseFlatXml(c.text);
    ASSERT_EQ(xml.has_value(), c.ok) << c.text.substr(0, 80);
    if (!c.ok) continue;
    EXPECT_EQ(xml->root, "r");
    ASSERT_NE(xml->Find("f"), nullptr);
    EXPECT_EQ(xml->Find("f")->text, c.field);
  }
}

TEST(N1mmMessage, RadioInfoAsTheRigState) {
  const N1mmMessage m = ParseN1mm(Radio(2, 1, "352211", "352311", "True", 7));
  ASSERT_EQ(m.result, N1mmParse::Radio);
  EXPECT_EQ(m.radio.station, "CONTEST-PC");
  EXPECT_EQ(m.radio.activeRadioNr, 1);
  const RigState rig = RigFromN1mm(m.radio);
  EXPECT_EQ(rig.frequencyHz, 3523110);  // the transmit frequency, 10 Hz units
  EXPECT_EQ(rig.band, "80m");
  EXPECT_EQ(rig.mode, "CW");
  EXPECT_EQ(rig.ptt, true);
  EXPECT_EQ(rig.antenna, 7);
  EXPECT_EQ(RigFromN1mm(ParseN1mm(Radio(1, 1, "1407400", "0", "False", 64)).radio).frequencyHz,
            14074000);  // no TXFreq: the receive one; antenna 64 is none
  EXPECT_EQ(ParseN1mm(Radio(0, 1, "1", "1", "False", 0)).result, N1mmParse::Broken);
  EXPECT_EQ(ParseN1mm("<spot><dxcall>K1ABC</dxcall></spot>").result, N1mmParse::Unknown);
}

TEST(N1mmMessage, ContactAsAQsoWithoutItsPowerField) {
  const std::string contact =
      "<?xml version=\"1.0\"?><contactinfo><app>N1MM</app><contestname>DX</contestname>"
      "<timestamp>2026-12-09 21:04:05</timestamp><band>14</band><rxfreq>1402500</rxfreq>"
      "<txfreq>1402510</txfreq><mode>CW</mode><call>dl1abc</call><snt>599</snt><rcv>599</rcv>"
      "<power>KW</power><StationName>CONTEST-PC</StationName><IsOriginal>True</IsOriginal>"
      "</contactinfo>";
  const N1mmMessage m = ParseN1mm(contact);
  ASSERT_EQ(m.result, N1mmParse::Contact);
  ASSERT_TRUE(m.qso);
  EXPECT_EQ(m.qso->call, "DL1ABC");
  EXPECT_EQ(m.qso->band, "20m");
  EXPECT_EQ(m.qso->frequencyHz, 14025100);
  EXPECT_EQ(m.qso->timeOnMs, 1796850245000);
  EXPECT_EQ(m.qso->reportReceived, "599");
  EXPECT_EQ(m.qso->sender, "N1MM CONTEST-PC");
  EXPECT_FALSE(m.qso->measured);
  std::string copy = contact;
  copy.replace(copy.find("True</IsOriginal>"), 4, "False");
  EXPECT_FALSE(ParseN1mm(copy).qso);  // another computer's, copied over the network
}

TEST(N1mmMessage, TheRadioTransmittingElseTheActiveOne) {
  const auto radio = [](int nr, int active, bool tx) {
    N1mmRadio r;
    r.radioNr = nr;
    r.activeRadioNr = active;
    r.transmitting = tx;
    return r;
  };
  const struct {
    const char* name;
    std::vector<N1mmRadio> radios;
    int latest;  // index of the latest datagram's radio
    int chosen;  // its radio number
  } cases[] = {
      {"one radio", {radio(1, 1, false)}, 0, 1},
      {"the active one", {radio(1, 2, false), radio(2, 2, false)}, 0, 2},
      {"the one transmitting", {radio(1, 1, false), radio(2, 1, true)}, 0, 2},
      {"both transmitting: the active one", {radio(1, 2, true), radio(2, 2, true)}, 1, 2},
      {"no active named: the latest", {radio(1, 0, false), radio(2, 0, false)}, 1, 2},
  };
  for (const auto& c : cases) {
    const N1mmRadio* chosen = ChosenRadio(c.radios, &c.radios[c.latest]);
    ASSERT_NE(chosen, nullptr) << c.name;
    EXPECT_EQ(chosen->radioNr, c.chosen) << c.name;
  }
}

}  // namespace
}  // namespace station
