// Who may ask for what: the Host and Origin checks, the token and its
// rules, and the media type of a command (see access.h).
#include "station/http/access.h"

#include <cctype>

#include "station/core/token.h"

namespace station {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool AllDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool Ipv6Literal(const std::string& name) {
  if (name.size() < 4 || name.front() != '[' || name.back() != ']') return false;
  for (std::size_t i = 1; i + 1 < name.size(); ++i) {
    const char c = name[i];
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
  }
  return true;
}

}  // namespace

std::string HostName(const std::string& hostHeader) {
  std::string host = Lower(hostHeader);
  std::string port;
  if (!host.empty() && host[0] == '[') {
    const std::size_t close = host.find(']');
    if (close == std::string::npos) return "";
    port = host.substr(close + 1);
    host = host.substr(0, close + 1);
    if (!port.empty() && port[0] != ':') return "";
  } else {
    const std::size_t colon = host.find(':');
    if (colon != std::string::npos) {
      port = host.substr(colon);
      host = host.substr(0, colon);
    }
  }
  if (!port.empty() && !AllDigits(port.substr(1))) return "";
  if (host.empty() || host.find_first_of(" \t/@") != std::string::npos) return "";
  return host;
}

bool HostAllowed(const std::string& hostHeader, const AccessPolicy& policy) {
  const std::string name = HostName(hostHeader);
  if (name.empty()) return false;
  int first = 0;
  const bool v4 = Ipv4Literal(name, first);
  if (name == "localhost" || (v4 && first == 127) || name == "[::1]") return true;
  if (policy.loopbackOnly) return false;
  return v4 || Ipv6Literal(name) || (!policy.hostName.empty() && name == policy.hostName);
}

bool OriginAllowed(const std::string& origin, const std::string& hostHeader) {
  return origin.empty() || Lower(origin) == "http://" + Lower(hostHeader);
}

bool TokenRequired(TokenRule rule, const AccessPolicy& policy) {
  switch (rule) {
    case TokenRule::Never:
      return false;
    case TokenRule::BeyondLoopback:
      return !policy.loopbackOnly;
    case TokenRule::Always:
      break;
  }
  return true;
}

bool Authorized(const std::string& authorization, const AccessPolicy& policy) {
  const std::size_t space = authorization.find(' ');
  if (space == std::string::npos || Lower(authorization.substr(0, space)) != "bearer") {
    return false;
  }
  const std::size_t token = authorization.find_first_not_of(' ', space);
  return token != std::string::npos && SameToken(authorization.substr(token), policy.token);
}

bool JsonMediaType(const std::string& contentType) {
  std::string type = contentType.substr(0, contentType.find(';'));
  const std::size_t end = type.find_last_not_of(" \t");
  type.erase(end == std::string::npos ? 0 : end + 1);
  return Lower(type) == "application/json";
}

}  // namespace station
