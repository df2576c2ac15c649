// serve's --n1mm option: where to listen for N1MM Logger+'s broadcasts.
#pragma once

#include <string>

#include "station/udp/udp_address.h"

namespace station {

constexpr unsigned short kDefaultN1mmPort = 12060;

// --n1mm's [ADDR][:PORT] (see ParseUdpAddress), 127.0.0.1:12060 by default.
bool ParseN1mmAddress(const std::string& text, UdpAddress& address, std::string& error);

}  // namespace station
