// The address a UDP listener option names, [ADDR][:PORT], as --wsjtx and
// --n1mm take it: checked in full before serve starts.
#pragma once

#include <string>

namespace station {

struct UdpAddress {
  std::string address = "127.0.0.1";  // an IPv4 address, local or a multicast group
  unsigned short port = 0;
  bool multicast = false;               // 224.0.0.0/4: joined on the loopback interface
};

// [ADDR][:PORT]: an IPv4 address (a multicast group 224.0.0.0 to
// 239.255.255.255 included) or localhost, 127.0.0.1 when left out; PORT 1
// to 65535, `defaultPort` when left out; "" is both defaults. false with
// `error` set to one line (no newline, no "swrctl: ") naming `option` for
// anything else.
bool ParseUdpAddress(const std::string& text, const std::string& option, unsigned short defaultPort,
                     UdpAddress& address, std::string& error);

// "ADDR:PORT" for messages and for the service's command line.
std::string UdpAddressText(const UdpAddress& address);

}  // namespace station
