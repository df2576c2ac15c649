// The handlers of the routes' table (routes.cpp): each turns a request that
// passed the checks into its outcome, without I/O of its own.
#include "station/core/api_json.h"
#include "station/core/command.h"
#include "station/core/command_outcome.h"
#include "station/core/command_request.h"
#include "station/http/routes.h"
#include "station/log/log_routes.h"
#include "station/log/log_store.h"
#include "station/metrics/metrics.h"
#include "station/web/web_page.h"

#ifndef SWRCTL_VERSION
#define SWRCTL_VERSION "0"
#endif

namespace station {
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
  FillStationMetrics(ctx, metrics);
  if (ctx.log != nullptr) {
    metrics.onAir = ctx.log->Finished().Counts();
    metrics.qsos = ctx.log->Qsos().Counts();
    metrics.logLostSeconds = static_cast<double>(ctx.log->State().secondsLost);
  }
  return Answer(Reply(http::status::ok, kMetricsContentType, RenderMetrics(metrics),
                      req.raw.version()),
                req.raw.keep_alive());
}

Outcome HistoryHandler(const ApiRequest& req, const Context& ctx) {
  const unsigned v = req.raw.version();
  int seconds = 0;
  std::string error;
  if (!ParseHistorySeconds(req.queryText, seconds, error)) {
    return Answer(Error(http::status::bad_request, "bad_request", error, v), req.raw.keep_alive());
  }
  if (seconds > LiveState::kHistorySeconds) return HistoryFromLog(req, ctx, seconds);
  return Answer(Reply(http::status::ok, kJsonType,
                      HistoryJson(ctx.live.History(seconds, ctx.unixMs), seconds), v),
                req.raw.keep_alive());
}

Outcome EventsHandler(const ApiRequest& req, const Context& ctx) {
  if (ctx.streamsFull) return Refuse(TooManyClients(req.raw.version()));
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
  Outcome outcome = Answer(NotSent(CommandOutcome::Busy, "", v), keepAlive);
  outcome.kind = Outcome::Kind::Blocking;
  outcome.job = [command, v] { return CommandAnswer(SendStationCommand(command), command, v); };
  return outcome;
}

}  // namespace station
