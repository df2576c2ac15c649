// --wsjtx [ADDR][:PORT], checked in full before serve starts.
#include "station/wsjtx/wsjtx_options.h"

#include "station/core/ipv4_literal.h"

namespace station {

bool ParseWsjtxAddress(const std::string& text, WsjtxAddress& address, std::string& error) {
  return ParseUdpAddress(text, "--wsjtx", kDefaultWsjtxPort, address, error);
}

}  // namespace station
