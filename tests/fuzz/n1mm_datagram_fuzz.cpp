// Fuzz target: one N1MM Logger+ datagram as the listener takes it, through
// the bounded XML reader to a radio or a QSO.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "station/n1mm/n1mm_message.h"
#include "station/n1mm/n1mm_xml.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::optional<station::FlatXml> xml = station::ParseFlatXml(bytes);
  if (xml) {
    // Decoding only shrinks: no reference is shorter than what it stands for.
    std::size_t texts = xml->root.size();
    for (const station::XmlField& f : xml->fields) texts += f.name.size() + f.text.size();
    if (texts > bytes.size() || xml->fields.size() > station::kXmlMaxElements) __builtin_trap();
  }
  const station::N1mmMessage m = station::ParseN1mm(bytes);
  // What the reader refuses is never taken as a message.
  if (!xml && m.result != station::N1mmParse::Broken) __builtin_trap();
  if (m.result == station::N1mmParse::Radio) {
    const station::RigState rig = station::RigFromN1mm(m.radio);
    if (rig.antenna && (*rig.antenna < 0 || *rig.antenna > 63)) __builtin_trap();
  }
  if (m.qso && m.qso->call.empty()) __builtin_trap();
  return 0;
}
