// The multicast bind address on POSIX systems: the group itself.
#include "station/wsjtx/wsjtx_bind.h"

namespace swrctl {

std::string WsjtxMulticastBindAddress(const std::string& group) { return group; }

}  // namespace swrctl
