// serve's --rig option: where rigctld listens.
#pragma once

#include <string>

namespace station {

constexpr unsigned short kDefaultRigPort = 4532;

struct RigAddress {
  std::string host;  // an IPv4 or IPv6 address (without brackets) or a host name
  unsigned short port = kDefaultRigPort;
};

// HOST[:PORT]: an IPv4 address, an IPv6 address in brackets, localhost or a
// host name; PORT 1 to 65535, 4532 when left out. false with `error` set to
// one line (no newline, no "swrctl: ") for anything else.
bool ParseRigAddress(const std::string& text, RigAddress& address, std::string& error);

// "HOST:PORT" for messages, IPv6 in brackets.
std::string RigAddressText(const RigAddress& address);

}  // namespace station
