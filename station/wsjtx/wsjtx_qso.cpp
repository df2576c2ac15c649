// WSJT-X's logged QSOs as the station log's: see wsjtx_qso.h.
#include "station/wsjtx/wsjtx_qso.h"

#include <cctype>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "station/log/adif.h"
#include "station/log/adif_fill.h"
#include "station/rig/bands.h"

namespace station {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::optional<Qso> OfLogged(const WsjtxQsoLogged& m) {
  if (m.dxCall.empty() || !m.timeOn.unixMs) return std::nullopt;
  Qso qso;
  qso.call = m.dxCall;
  qso.grid = m.dxGrid;
  if (m.txHz > 0 && m.txHz <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
    qso.frequencyHz = static_cast<std::int64_t>(m.txHz);
    if (const Band* band = BandOf(*qso.frequencyHz)) qso.band = band->name;
  }
  qso.mode = Upper(m.mode);
  qso.reportSent = m.reportSent;
  qso.reportReceived = m.reportReceived;
  qso.timeOnMs = *m.timeOn.unixMs;
  // A time off before the time on (or none) is taken as the time on.
  qso.timeOffMs = m.timeOff.unixMs && *m.timeOff.unixMs > qso.timeOnMs ? *m.timeOff.unixMs
                                                                       : qso.timeOnMs;
  return qso;
}

// The one record of `text`, read as a file from any logger: with a header
// or without; a header that starts with a field (no free text before it)
// reads as a record holding <EOH>, so the record after it is read instead.
bool ReadOneRecord(std::string_view text, AdifRecord& record) {
  std::string error;
  AdifReader reader(text);
  if (reader.ReadHeader(error) && reader.Next(record, error)) return true;
  const std::size_t eoh = Upper(std::string(text)).find("<EOH>");
  if (eoh == std::string::npos) return false;
  AdifReader rest(text.substr(eoh + 5));
  return rest.Next(record, error);
}

std::optional<Qso> OfAdif(std::string_view text) {
  AdifRecord record;
  Qso qso;
  if (!ReadOneRecord(text, record) || !QsoOfAdif(record, qso) || qso.call.empty()) {
    return std::nullopt;
  }
  const auto value = [&](std::string_view name) {
    const AdifField* f = record.Find(name);
    return f != nullptr ? std::string(f->value) : std::string();
  };
  qso.grid = value("GRIDSQUARE");
  qso.reportSent = value("RST_SENT");
  qso.reportReceived = value("RST_RCVD");
  qso.band = QsoBand(qso);  // ours in lower case
  return qso;
}

}  // namespace

std::optional<Qso> QsoOfWsjtx(const WsjtxMessage& message) {
  if (message.result != WsjtxParse::Ok) return std::nullopt;
  std::optional<Qso> qso;
  if (message.header.type == static_cast<std::uint32_t>(WsjtxType::QsoLogged)) {
    qso = OfLogged(message.qso);
  } else if (message.header.type == static_cast<std::uint32_t>(WsjtxType::LoggedAdif)) {
    qso = OfAdif(message.adif);
  }
  if (qso) qso->sender = message.header.id;
  return qso;
}

bool WsjtxQsoSeen::First(const Qso& qso) {
  const std::string call = Upper(qso.call);
  const std::string band = QsoBand(qso);
  for (const Qso& seen : recent_) {
    const std::int64_t apart = seen.timeOnMs - qso.timeOnMs;
    if (seen.sender == qso.sender && Upper(seen.call) == call && QsoBand(seen) == band &&
        apart > -60000 && apart < 60000) {
      return false;
    }
  }
  if (recent_.size() >= kRemembered) recent_.erase(recent_.begin());
  recent_.push_back(qso);
  return true;
}

}  // namespace station
