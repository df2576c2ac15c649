// The multicast bind address on POSIX systems: the group itself.
#include "station/udp/udp_bind.h"

namespace station {

std::string MulticastBindAddress(const std::string& group) { return group; }

}  // namespace station
