// --wsjtx [ADDR][:PORT], checked in full before serve starts.
#include "station/wsjtx/wsjtx_options.h"

#include "station/core/ipv4_literal.h"

namespace swrctl {
namespace {

bool Port(const std::string& digits, unsigned short& port) {
  if (digits.empty() || digits.size() > 5 || digits[0] == '0') return false;
  long value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 65535) return false;
  port = static_cast<unsigned short>(value);
  return true;
}

// The first of an IPv4 literal's four numbers.
int FirstOctet(const std::string& ip) { return std::stoi(ip.substr(0, ip.find('.'))); }

}  // namespace

bool ParseWsjtxAddress(const std::string& text, WsjtxAddress& address, std::string& error) {
  error = "--wsjtx must be [ADDR][:PORT] (an IPv4 address, a multicast group such as "
          "239.255.0.1, or localhost; PORT 1 to 65535; default 127.0.0.1:2237), not '" +
          text.substr(0, 64) + (text.size() > 64 ? "...'" : "'");
  if (text.size() > 64) return false;
  WsjtxAddress parsed;
  std::string host = text;
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) {
    host = text.substr(0, colon);
    if (!Port(text.substr(colon + 1), parsed.port)) return false;
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

std::string WsjtxAddressText(const WsjtxAddress& address) {
  return address.address + ":" + std::to_string(address.port);
}

}  // namespace swrctl
