// --n1mm [ADDR][:PORT], checked in full before serve starts.
#include "station/n1mm/n1mm_options.h"

namespace station {

bool ParseN1mmAddress(const std::string& text, UdpAddress& address, std::string& error) {
  return ParseUdpAddress(text, "--n1mm", kDefaultN1mmPort, address, error);
}

}  // namespace station
