// --rig HOST[:PORT], checked in full before serve starts.
#include "station/rig/rig_options.h"

#include <boost/asio/ip/address.hpp>

#include "station/core/ipv4_literal.h"
#include "station/core/plain_text.h"

namespace station {
namespace {

bool Alnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// RFC 1123 names: dot-separated labels of letters, digits and inner hyphens.
// A name of digits and dots only must be an IPv4 address instead.
bool HostName(const std::string& name) {
  if (name.empty() || name.size() > 253) return false;
  bool letter = false;
  std::size_t label = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '.') {
      if (label == 0 || name[i - 1] == '-') return false;
      label = 0;
      continue;
    }
    if (c == '-' ? label == 0 : !Alnum(c)) return false;
    if (++label > 63) return false;
    if (!(c >= '0' && c <= '9')) letter = true;
  }
  return label > 0 && name.back() != '-' && letter;
}

bool Host(const std::string& host, std::string& out) {
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
    out = host.substr(1, host.size() - 2);
    boost::system::error_code ec;
    boost::asio::ip::make_address_v6(out, ec);
    return !ec;
  }
  out = host;
  return Ipv4Literal(host) || HostName(host);
}

}  // namespace

bool ParseRigAddress(const std::string& text, RigAddress& address, std::string& error) {
  error = "--rig must be HOST or HOST:PORT (an IPv4 address, an IPv6 address in brackets or a "
          "host name; PORT 1 to 65535, 4532 when left out), not '" + text + "'";
  if (text.size() > 300) {
    error = "--rig must be HOST or HOST:PORT, not a text of " + std::to_string(text.size()) +
            " characters";
    return false;
  }
  std::string host = text;
  unsigned short port = kDefaultRigPort;
  const std::size_t colon = text.rfind(':');
  const std::size_t close = text.rfind(']');
  const bool portGiven = colon != std::string::npos &&
                         (close == std::string::npos ? text.find(':') == colon : colon > close);
  if (portGiven) {
    host = text.substr(0, colon);
    if (!ParsePort(text.substr(colon + 1), port)) return false;
  }
  RigAddress parsed;
  if (!Host(host, parsed.host)) return false;
  parsed.port = port;
  address = parsed;
  error.clear();
  return true;
}

std::string RigAddressText(const RigAddress& address) {
  const bool v6 = address.host.find(':') != std::string::npos;
  return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

}  // namespace station
