// Where a UDP listener's socket binds for a multicast group, which is the
// one thing the systems do differently: Linux binds the group's own address
// (only the group's datagrams arrive, not unicast ones to the port from any
// interface); Windows cannot bind a group address and binds every
// interface's, taking what the group membership and the port let through.
#pragma once

#include <string>

namespace station {

std::string MulticastBindAddress(const std::string& group);

}  // namespace station
