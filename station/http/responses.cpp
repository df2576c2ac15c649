// The headers every response carries, in one place (see responses.h).
#include "station/http/responses.h"

#include <sstream>

#include "station/core/api_json.h"

namespace station {

const char kJsonType[] = "application/json; charset=utf-8";

namespace {

template <class Body>
void CommonHeaders(http::response<Body>& res, const std::string& contentType) {
  res.set(http::field::content_type, contentType);
  res.set(http::field::cache_control, "no-store");
  res.set("X-Content-Type-Options", "nosniff");
}

}  // namespace

Response Reply(http::status status, const std::string& contentType, std::string body,
               unsigned version) {
  Response res{status, version};
  CommonHeaders(res, contentType);
  res.body() = std::move(body);
  res.prepare_payload();
  return res;
}

Response Error(http::status status, const std::string& code, const std::string& message,
               unsigned version) {
  return Reply(status, kJsonType, ErrorJson(code, message), version);
}

Response TooManyClients(unsigned version) {
  return Error(http::status::service_unavailable, "too_many_clients",
               "too many clients are connected; try again later", version);
}

Response MethodNotAllowed(const std::string& allow, unsigned version) {
  Response res = Error(http::status::method_not_allowed, "method_not_allowed",
                       "only " + allow + " is allowed here", version);
  res.set(http::field::allow, allow);
  return res;
}

Response PageResponse(std::string html, unsigned version) {
  Response res = Reply(http::status::ok, "text/html; charset=utf-8", std::move(html), version);
  res.set("Content-Security-Policy",
          "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
          "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
          "frame-ancestors 'none'");
  res.set("X-Frame-Options", "DENY");
  res.set("Referrer-Policy", "no-referrer");
  return res;
}

std::string EventStreamHead() {
  http::response<http::empty_body> res{http::status::ok, 11};
  CommonHeaders(res, "text/event-stream; charset=utf-8");
  res.set(http::field::connection, "keep-alive");
  std::ostringstream head;
  head << res.base();  // the status line and fields, ending in an empty line
  return head.str() + "retry: 1000\n\n";
}

}  // namespace station
