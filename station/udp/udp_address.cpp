// [ADDR][:PORT] of a UDP listener option; see udp_address.h.
#include "station/udp/udp_address.h"

#include "station/core/plain_text.h"
#include "station/core/ipv4_literal.h"

namespace station {
namespace {

// The first of an IPv4 literal's four numbers.
int FirstOctet(const std::string& ip) { return std::stoi(ip.substr(0, ip.find('.'))); }

}  // namespace

bool ParseUdpAddress(const std::string& text, const std::string& option, unsigned short defaultPort,
                     UdpAddress& address, std::string& error) {
  error = option + " must be [ADDR][:PORT] (an IPv4 address, a multicast group such as "
          "239.255.0.1, or localhost; PORT 1 to 65535; default 127.0.0.1:" +
          std::to_string(defaultPort) + "), not '" + text.substr(0, 64) +
          (text.size() > 64 ? "...'" : "'");
  if (text.size() > 64) return false;
  UdpAddress parsed;
  parsed.port = defaultPort;
  std::string host = text;
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    if (!ParsePort(text.substr(colon + 1), parsed.port)) return false;
  }
  if (host == "localhost") host = "127.0.0.1";
  if (!host.empty()) {
    if (!Ipv4Literal(host)) return false;
    parsed.address = host;
  }
  const int first = FirstOctet(parsed.address);
  parsed.multicast = first >= 224 && first <= 239;
  if (first >= 240) return false;  // reserved, and the broadcast address
  address = parsed;
  error.clear();
  return true;
}

std::string UdpAddressText(const UdpAddress& address) {
  return address.address + ":" + std::to_string(address.port);
}

}  // namespace station
