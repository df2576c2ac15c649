// Who may ask swrctl serve for what: the Host check against DNS
// rebinding, the Origin check against other sites' pages, and the token.
#pragma once

#include <string>

#include "station/core/ipv4_literal.h"

namespace station {

struct AccessPolicy {
  std::string token;
  bool loopbackOnly = true;  // listening on a loopback address only
  bool readOnly = false;
  std::string hostName;      // this machine's name, lowercase; may be empty
};

// The name part of a Host header, lowercase, without the port:
// "LocalHost:8537" -> "localhost", "[::1]:8537" -> "[::1]". Empty when the
// header is not of that shape.
std::string HostName(const std::string& hostHeader);

// Requests naming any other host are refused: a page of another site that
// made its name resolve to this machine still names its own host. On
// loopback: localhost and loopback addresses; beyond it also any IP
// address and this machine's name.
bool HostAllowed(const std::string& hostHeader, const AccessPolicy& policy);

// No Origin (curl, scripts) or exactly our own page's origin.
bool OriginAllowed(const std::string& origin, const std::string& hostHeader);

// Which requests need the token; each route names its rule.
enum class TokenRule {
  Never,           // the page: it holds no data
  BeyondLoopback,  // the API's readings: free on loopback only
  Always,          // anything that reaches the controller
};
bool TokenRequired(TokenRule rule, const AccessPolicy& policy);

// The rule of the route at `path` (the routes' table, routes.cpp): commands
// always need the token; beyond loopback every request of the API does.
bool TokenRequired(const std::string& path, const AccessPolicy& policy);

// "Bearer <token>" with the right token; the scheme in any case, as HTTP's
// auth schemes are.
bool Authorized(const std::string& authorization, const AccessPolicy& policy);

// A Content-Type of application/json, in any case, with or without
// parameters ("Application/JSON; charset=utf-8"), and nothing else
// ("application/jsonp" is not).
bool JsonMediaType(const std::string& contentType);

}  // namespace station
