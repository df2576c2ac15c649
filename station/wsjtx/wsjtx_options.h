// serve's --wsjtx option: where to listen for WSJT-X's and JTDX's datagrams.
#pragma once

#include <string>

namespace swrctl {

constexpr unsigned short kDefaultWsjtxPort = 2237;

struct WsjtxAddress {
  std::string address = "127.0.0.1";  // an IPv4 address, local or a multicast group
  unsigned short port = kDefaultWsjtxPort;
  bool multicast = false;               // 224.0.0.0/4: joined on the loopback interface
};

// [ADDR][:PORT]: an IPv4 address (a multicast group 224.0.0.0 to
// 239.255.255.255 included) or localhost, 127.0.0.1 when left out; PORT 1
// to 65535, 2237 when left out; "" is both defaults. false with `error` set
// to one line (no newline, no "swrctl: ") for anything else.
bool ParseWsjtxAddress(const std::string& text, WsjtxAddress& address, std::string& error);

// "ADDR:PORT" for messages and for the service's command line.
std::string WsjtxAddressText(const WsjtxAddress& address);

}  // namespace swrctl
