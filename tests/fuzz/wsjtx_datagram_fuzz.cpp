// Fuzz target: one WSJT-X/JTDX datagram as the listener takes it; the first
// byte chooses the dialect.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "station/wsjtx/wsjtx_message.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > station::kWsjtxMaxDatagram + 1) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const auto dialect = (data[0] & 1) != 0 ? station::WsjtxDialect::Jtdx : station::WsjtxDialect::Wsjtx;
  const station::WsjtxMessage m = station::ParseWsjtx(bytes, dialect);
  // Nothing taken is larger than the datagram it came in.
  const std::size_t texts = m.header.id.size() + m.status.mode.size() + m.qso.comments.size() +
                            m.adif.size() + m.heartbeat.version.size();
  if (texts > bytes.size()) __builtin_trap();
  if (m.result == station::WsjtxParse::Ok && !station::ParseWsjtxHeader(bytes)) __builtin_trap();
  return 0;
}
