// The handlers of the routes' table (routes.cpp): each turns a request that
// passed the checks into its outcome, without I/O of its own.
#include "station/core/api_json.h"
#include "station/core/command.h"
#include "station/core/command_outcome.h"
#include "station/core/command_request.h"
#include "station/http/routes.h"
#include "station/metrics/metrics.h"
#include "station/web/web_page.h"

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

}  // namespace

// The answer to a command that was not sent, from the outcome table;
// `message` replaces the table's (the parser's reason for a bad request).
Response NotSent(CommandOutcome outcome, const std::string& message, unsigned v) {
  const OutcomeRow& row = OutcomeOf(outcome);
  return Error(static_cast<http::status>(row.httpStatus), row.code,
               message.empty() ? row.message : message, v);
}

namespace {

// The answer to a command once the controller has been written to (or not).
Response CommandAnswer(CommandOutcome outcome, const Command& command, unsigned v) {
  if (outcome != CommandOutcome::Sent) return NotSent(outcome, "", v);
  return Reply(http::status::ok, kJsonType,
               SentJson(CommandName(command.kind), ReportFor(command)), v);
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
  if (ctx.policy.readOnly) return Answer(NotSent(CommandOutcome::ReadOnly, "", v), keepAlive);
  if (!JsonMediaType(std::string(req.raw[http::field::content_type]))) {
    return Answer(NotSent(CommandOutcome::BadRequest,
                          "the body must be JSON with Content-Type: application/json", v),
                  keepAlive);
  }
  const CommandRequest request = ParseCommandRequest(req.raw.body());
  if (!request.ok()) return Answer(NotSent(CommandOutcome::BadRequest, request.error, v), keepAlive);
  const Command command = request.command;
  Outcome outcome = Answer(Response{http::status::ok, v}, keepAlive);  // the version only
  outcome.kind = Outcome::Kind::Blocking;
  outcome.job = [command, v] { return CommandAnswer(SendCommand(command), command, v); };
  return outcome;
}

}  // namespace swrctl
