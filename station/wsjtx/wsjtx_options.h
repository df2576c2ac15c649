// serve's --wsjtx option: where to listen for WSJT-X's and JTDX's datagrams.
#pragma once

#include <string>

#include "station/udp/udp_address.h"

namespace station {

constexpr unsigned short kDefaultWsjtxPort = 2237;

using WsjtxAddress = UdpAddress;

// --wsjtx's [ADDR][:PORT] (see ParseUdpAddress), 127.0.0.1:2237 by default.
bool ParseWsjtxAddress(const std::string& text, WsjtxAddress& address, std::string& error);

// "ADDR:PORT" for messages and for the service's command line.
inline std::string WsjtxAddressText(const WsjtxAddress& address) { return UdpAddressText(address); }

}  // namespace station
