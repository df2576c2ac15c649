// The routes' table and the request-to-response function (see routes.h).
#include "station/http/routes.h"

#include <iterator>

#include "station/core/plain_text.h"

namespace station {
namespace {

constexpr http::verb GET = http::verb::get;
constexpr http::verb POST = http::verb::post;

// Every resource of the server. Paths outside /api/v1/ other than these are
// 404; paths inside it that are not here need the token beyond loopback,
// then are 404 too.
const Route kRoutes[] = {
    // path               method token rule                handler
    {"/",                 GET,   TokenRule::Never,          PageHandler},
    {"/index.html",       GET,   TokenRule::Never,          PageHandler},
    {"/api/v1/status",    GET,   TokenRule::BeyondLoopback, StatusHandler},
    {"/api/v1/history",   GET,   TokenRule::BeyondLoopback, HistoryHandler},
    {"/api/v1/events",    GET,   TokenRule::BeyondLoopback, EventsHandler},
    {"/api/v1/commands",  POST,  TokenRule::Always,         CommandsHandler},
    {"/metrics",          GET,   TokenRule::BeyondLoopback, MetricsHandler},
    {"/api/v1/transmissions",     GET, TokenRule::BeyondLoopback, TransmissionsHandler},
    {"/api/v1/transmissions.csv", GET, TokenRule::BeyondLoopback, TransmissionsHandler},
    {"/api/v1/qsos",      GET,   TokenRule::BeyondLoopback, QsosHandler},
    {"/api/v1/qsos.adi",  GET,   TokenRule::BeyondLoopback, QsosHandler},
    {"/api/v1/summary",   GET,   TokenRule::BeyondLoopback, SummaryHandler},
    {"/api/v1/bands",     GET,   TokenRule::BeyondLoopback, BandsHandler},
    {"/api/v1/alarm/ack", POST,  TokenRule::Always,         AlarmAckHandler},
    {"/api/v1/alarms",    GET,   TokenRule::BeyondLoopback, AlarmsHandler},
    // ID and ID.csv: one alarm with its readings, or the readings as CSV.
    {"/api/v1/alarms/*",  GET,   TokenRule::BeyondLoopback, AlarmsHandler},
};

const char kApiPrefix[] = "/api/v1/";

// A path ending in '*' takes every longer path that begins with the rest.
bool Matches(const std::string& path, const std::string& pattern) {
  if (pattern.empty() || pattern.back() != '*') return path == pattern;
  const std::size_t n = pattern.size() - 1;
  return path.size() > n && path.compare(0, n, pattern, 0, n) == 0;
}

const Route* FindRoute(const std::string& path) {
  for (const Route& route : kRoutes) {
    if (Matches(path, route.path)) return &route;
  }
  return nullptr;
}

// The API's paths, and /metrics, which other sites' pages may not use either.
bool InApi(const std::string& path) {
  return path.compare(0, sizeof kApiPrefix - 1, kApiPrefix) == 0 || path == "/metrics";
}

// The checks every request passes before its route: one Host that names
// this server, not too many fields.
std::optional<Outcome> CheckHeaders(const Request& req, const Context& ctx) {
  const unsigned v = req.version();
  if (std::distance(req.begin(), req.end()) > ctx.maxFields) {
    return Refuse(Error(http::status::request_header_fields_too_large, "too_large",
                        "too many header fields", v));
  }
  if (req.count(http::field::host) > 1) {
    return Refuse(Error(http::status::bad_request, "bad_request",
                        "the request has more than one Host header", v));
  }
  if (!HostAllowed(std::string(req[http::field::host]), ctx.policy)) {
    return Refuse(Error(http::status::forbidden, "foreign_host",
                        "the Host of the request is not this server", v));
  }
  return std::nullopt;
}

Outcome Unauthorized(unsigned version, bool keepAlive) {
  Response res = Error(http::status::unauthorized, "unauthorized",
                       "the access token is missing or wrong (Authorization: Bearer TOKEN)",
                       version);
  res.set(http::field::www_authenticate, "Bearer");
  return Answer(std::move(res), keepAlive);
}

}  // namespace

Query::Query(const std::string& text) {
  std::size_t start = 0;
  while (!text.empty() && start <= text.size()) {
    std::size_t end = text.find('&', start);
    if (end == std::string::npos) end = text.size();
    const std::string pair = text.substr(start, end - start);
    const std::size_t eq = pair.find('=');
    std::string name, value;
    if (eq == std::string::npos || !PercentDecode(pair.substr(0, eq), name, true) ||
        !PercentDecode(pair.substr(eq + 1), value, true)) {
      valid_ = false;
    }
    params_.emplace_back(std::move(name), std::move(value));
    start = end + 1;
  }
}

bool Query::OnlyOnce(std::initializer_list<const char*> known) const {
  if (!valid_) return false;
  for (std::size_t i = 0; i < params_.size(); ++i) {
    bool listed = false;
    for (const char* name : known) listed = listed || params_[i].first == name;
    if (!listed) return false;
    for (std::size_t j = 0; j < i; ++j) {
      if (params_[j].first == params_[i].first) return false;
    }
  }
  return true;
}

std::optional<std::string> Query::Get(const std::string& name) const {
  for (const auto& param : params_) {
    if (param.first == name) return param.second;
  }
  return std::nullopt;
}

Outcome Answer(Response response, bool keepAlive) {
  Outcome outcome;
  outcome.response = std::move(response);
  outcome.keepAlive = keepAlive;
  return outcome;
}

Outcome Refuse(Response response) { return Answer(std::move(response), false); }

bool TokenRequired(const std::string& path, const AccessPolicy& policy) {
  const Route* route = FindRoute(path);
  return TokenRequired(route != nullptr ? route->token : TokenRule::BeyondLoopback, policy);
}

Outcome Respond(const Request& req, const Context& ctx) {
  if (std::optional<Outcome> refused = CheckHeaders(req, ctx)) return std::move(*refused);
  const unsigned v = req.version();
  const std::string target(req.target());
  const std::size_t q = target.find('?');
  const std::string queryText = q == std::string::npos ? "" : target.substr(q + 1);
  const ApiRequest request{req, target.substr(0, q), Query(queryText), queryText};
  const Route* route = FindRoute(request.path);
  const bool authorized = Authorized(std::string(req[http::field::authorization]), ctx.policy);
  const bool api = InApi(request.path);
  if (route == nullptr && !api) {
    return Answer(Error(http::status::not_found, "not_found", "no such resource", v),
                  req.keep_alive());
  }
  // Another site's page may not use the API, even where the browser would
  // let it send the request.
  if (api && (!OriginAllowed(std::string(req[http::field::origin]),
                             std::string(req[http::field::host])) ||
              req["Sec-Fetch-Site"] == "cross-site")) {
    return Refuse(Error(http::status::forbidden, "foreign_origin",
                        "requests from other sites' pages are refused", v));
  }
  if (route != nullptr && req.method() != route->method) {
    return Refuse(MethodNotAllowed(std::string(http::to_string(route->method)), v));
  }
  const TokenRule rule = route != nullptr ? route->token : TokenRule::BeyondLoopback;
  if (TokenRequired(rule, ctx.policy) && !authorized) return Unauthorized(v, req.keep_alive());
  if (route == nullptr) {
    return Answer(Error(http::status::not_found, "not_found", "no such resource", v),
                  req.keep_alive());
  }
  return route->handler(request, ctx);
}

}  // namespace station
