// The multicast bind address on Windows: every interface's (a group's own
// address cannot be bound there).
#include "station/udp/udp_bind.h"

namespace station {

std::string MulticastBindAddress(const std::string&) { return "0.0.0.0"; }

}  // namespace station
