// --wsjtx [ADDR][:PORT], checked in full before serve starts.
#include "station/wsjtx/wsjtx_options.h"

namespace swrctl {

bool ParseWsjtxAddress(const std::string& text, WsjtxAddress& address, std::string& error) {
  return ParseUdpAddress(text, "--wsjtx", kDefaultWsjtxPort, address, error);
}

}  // namespace swrctl
