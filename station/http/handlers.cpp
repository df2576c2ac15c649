// The handlers of the routes' table (routes.cpp): each turns a request that
// passed the checks into its outcome, without I/O of its own.
#include "station/core/api_json.h"
#include "station/core/command_request.h"
#include "station/http/routes.h"
#include "station/metrics/metrics.h"
#include "station/web/web_page.h"
#include "tools/swrctl/command.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace swrctl {
namespace {

// "seconds=N" of a query; the default when there is no query; -1 when
// malformed.
int SecondsParameter(const Query& query) {
  if (query.Empty()) return LiveState::kHistorySeconds;
  const std::optional<std::string> digits = query.Get("seconds");
  if (!query.OnlyOnce({"seconds"}) || !digits || digits->empty() || digits->size() > 3) return -1;
  int value = 0;
  for (char c : *digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= LiveState::kHistorySeconds ? value : -1;
}

// The answer to a command once the controller has been written to (or not).
Response CommandAnswer(SendResult result, const char* name, const swr::CommandReport& report,
                       unsigned v) {
  switch (result) {
    case SendResult::Sent:
      return Reply(http::status::ok, kJsonType, SentJson(name, report), v);
    case SendResult::NotConnected:
      return Error(http::status::conflict, "not_connected",
                   "the controller is not connected; nothing was sent", v);
    case SendResult::OpenFailed:
      return Error(http::status::bad_gateway, "write_failed",
                   "the controller cannot be opened for writing (check the device permissions)",
                   v);
    case SendResult::WriteFailed:
      break;
  }
  return Error(http::status::bad_gateway, "write_failed",
               "writing the command to the controller failed", v);
}

}  // namespace

Outcome PageHandler(const ApiRequest& req, const Context&) {
  return Answer(PageResponse(std::string(reinterpret_cast<const char*>(kIndexHtml), kIndexHtmlSize),
                             req.raw.version()),
                req.raw.keep_alive());
}

Outcome MetricsHandler(const ApiRequest& req, const Context& ctx) {
  MetricsInput metrics;
  metrics.version = SWRCTL_VERSION;
  metrics.snapshot = ctx.live.Get(ctx.steadyMs);
  metrics.nowSteadyMs = ctx.steadyMs;
  return Answer(Reply(http::status::ok, kMetricsContentType, RenderMetrics(metrics),
                      req.raw.version()),
                req.raw.keep_alive());
}

Outcome StatusHandler(const ApiRequest& req, const Context& ctx) {
  return Answer(Reply(http::status::ok, kJsonType,
                      StatusJson(ctx.live.Get(ctx.steadyMs), ctx.steadyMs, ctx.policy.readOnly),
                      req.raw.version()),
                req.raw.keep_alive());
}

Outcome HistoryHandler(const ApiRequest& req, const Context& ctx) {
  const unsigned v = req.raw.version();
  const int seconds = SecondsParameter(req.query);
  if (seconds < 0) {
    return Answer(Error(http::status::bad_request, "bad_request",
                        "seconds must be a whole number from 1 to 600", v),
                  req.raw.keep_alive());
  }
  return Answer(Reply(http::status::ok, kJsonType,
                      HistoryJson(ctx.live.History(seconds, ctx.unixMs), seconds), v),
                req.raw.keep_alive());
}

Outcome EventsHandler(const ApiRequest&, const Context&) {
  Outcome outcome;
  outcome.kind = Outcome::Kind::EventStream;
  return outcome;
}

// Checked here; written to the controller on the command thread, whose
// result CommandAnswer words.
Outcome CommandsHandler(const ApiRequest& req, const Context& ctx) {
  const unsigned v = req.raw.version();
  const bool keepAlive = req.raw.keep_alive();
  if (ctx.policy.readOnly) {
    return Answer(Error(http::status::forbidden, "read_only",
                        "this server is read-only (--read-only): no commands", v),
                  keepAlive);
  }
  if (!JsonMediaType(std::string(req.raw[http::field::content_type]))) {
    return Answer(Error(http::status::bad_request, "bad_request",
                        "the body must be JSON with Content-Type: application/json", v),
                  keepAlive);
  }
  const CommandRequest request = ParseCommandRequest(req.raw.body());
  if (!request.ok()) {
    return Answer(Error(http::status::bad_request, "bad_request", request.error, v), keepAlive);
  }
  const swr::CommandReport report = ReportFor(request.options);
  const char* name = CommandName(request.options.action);
  Outcome outcome = Answer(Response{http::status::ok, v}, keepAlive);  // the version only
  outcome.kind = Outcome::Kind::Blocking;
  outcome.job = [report, name, v] { return CommandAnswer(SendReport(report), name, report, v); };
  return outcome;
}

}  // namespace swrctl
