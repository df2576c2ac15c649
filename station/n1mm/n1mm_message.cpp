// N1MM Logger+'s RadioInfo and contactinfo read; see n1mm_message.h.
#include "station/n1mm/n1mm_message.h"

#include <cctype>

#include "station/log/log_params.h"
#include "station/n1mm/n1mm_xml.h"
#include "station/rig/bands.h"

namespace station {
namespace {

// Above every band a transceiver tunes: 1 THz in N1MM's 10 Hz units.
constexpr long long kMaxTensOfHz = 100000000000LL;

std::string Field(const FlatXml& xml, std::string_view name) {
  const XmlField* f = xml.Find(name);
  return f != nullptr ? f->text : std::string();
}

// A field for the log and the page: printable ASCII, blanks trimmed, at
// most `most` bytes (calls, modes and reports are ASCII).
std::string Plain(const FlatXml& xml, std::string_view name, std::size_t most = 32) {
  const std::string text = Field(xml, name);
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  std::string out = first == std::string::npos ? "" : text.substr(first, last - first + 1);
  out = out.substr(0, most);
  for (char& c : out) {
    if (c < 0x20 || c > 0x7E) c = '?';
  }
  return out;
}

// Digits only, at most `most`.
std::optional<long long> Number(const FlatXml& xml, std::string_view name, long long most) {
  const std::string text = Plain(xml, name);
  if (text.empty() || text.size() > 15 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  const long long value = std::stoll(text);
  if (value > most) return std::nullopt;
  return value;
}

// A frequency in 10 Hz units as Hz; none for 0 (no radio) and nonsense.
std::optional<std::int64_t> Hz(const FlatXml& xml, std::string_view name) {
  const std::optional<long long> tens = Number(xml, name, kMaxTensOfHz);
  if (!tens || *tens == 0) return std::nullopt;
  return static_cast<std::int64_t>(*tens) * 10;
}

bool True(const FlatXml& xml, std::string_view name) { return Plain(xml, name) == "True"; }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

N1mmMessage OfRadio(const FlatXml& xml) {
  N1mmMessage m;
  const std::optional<long long> nr = Number(xml, "RadioNr", 64);
  if (!nr || *nr < 1) return m.result = N1mmParse::Broken, m;
  m.result = N1mmParse::Radio;
  N1mmRadio& r = m.radio;
  r.station = Plain(xml, "StationName", 64);
  r.radioNr = static_cast<int>(*nr);
  r.activeRadioNr = static_cast<int>(Number(xml, "ActiveRadioNr", 64).value_or(0));
  r.rxHz = Hz(xml, "Freq");
  r.txHz = Hz(xml, "TXFreq");
  r.mode = Plain(xml, "Mode");
  r.transmitting = True(xml, "IsTransmitting");
  r.connected = Plain(xml, "IsConnected") != "False";
  if (const std::optional<long long> antenna = Number(xml, "Antenna", 63)) {
    r.antenna = static_cast<int>(*antenna);
  }
  return m;
}

// "YYYY-MM-DD HH:MM:SS", UTC as N1MM logs.
std::optional<std::int64_t> Timestamp(const std::string& text) {
  std::int64_t ms = 0;
  if (text.size() != 19 || text[10] != ' ') return std::nullopt;
  if (!ParseLogTime(text.substr(0, 10) + "T" + text.substr(11) + "Z", ms)) return std::nullopt;
  return ms;
}

// The contact as a QSO. Its `power` is the other station's exchange (a
// contest's "100" or "KW"), never the power we sent, so it is not read:
// the meter's measurement of the QSO's transmissions gives that.
std::optional<Qso> OfContact(const FlatXml& xml) {
  if (Plain(xml, "IsOriginal") == "False") return std::nullopt;
  Qso qso;
  qso.call = Upper(Plain(xml, "call"));
  const std::optional<std::int64_t> on = Timestamp(Plain(xml, "timestamp"));
  qso.frequencyHz = Hz(xml, "txfreq");
  if (!qso.frequencyHz) qso.frequencyHz = Hz(xml, "rxfreq");
  if (qso.call.empty() || !on || !qso.frequencyHz) return std::nullopt;
  if (const Band* band = BandOf(*qso.frequencyHz)) qso.band = band->name;
  qso.timeOnMs = qso.timeOffMs = *on;
  qso.mode = Upper(Plain(xml, "mode"));
  qso.grid = Plain(xml, "gridsquare", 8);
  qso.reportSent = Plain(xml, "snt");
  qso.reportReceived = Plain(xml, "rcv");
  const std::string station = Plain(xml, "StationName", 64);
  qso.sender = "N1MM" + (station.empty() ? "" : " " + station);
  return qso;
}

}  // namespace

N1mmMessage ParseN1mm(std::string_view datagram) {
  N1mmMessage m;
  if (datagram.size() > kN1mmMaxDatagram) return m.result = N1mmParse::Broken, m;
  const std::optional<FlatXml> xml = ParseFlatXml(datagram);
  if (!xml) return m.result = N1mmParse::Broken, m;
  if (xml->root == "RadioInfo") return OfRadio(*xml);
  if (xml->root == "contactinfo") {
    m.result = N1mmParse::Contact;
    m.qso = OfContact(*xml);
  }
  return m;
}

RigState RigFromN1mm(const N1mmRadio& radio) {
  RigState state;
  state.connected = true;
  if (radio.connected) {
    state.frequencyHz = radio.txHz ? radio.txHz : radio.rxHz;
    state.mode = radio.mode;
  }
  state.ptt = radio.transmitting;
  state.antenna = radio.antenna;
  SetBand(state);
  return state;
}

const N1mmRadio* ChosenRadio(const std::vector<N1mmRadio>& radios, const N1mmRadio* latest) {
  const int active = latest != nullptr ? latest->activeRadioNr : 0;
  const N1mmRadio* transmitting = nullptr;
  const N1mmRadio* named = nullptr;
  for (const N1mmRadio& r : radios) {
    if (r.transmitting && (transmitting == nullptr || r.radioNr == active)) transmitting = &r;
    if (r.radioNr == active) named = &r;
  }
  if (transmitting != nullptr) return transmitting;
  return named != nullptr ? named : latest;
}

}  // namespace station
