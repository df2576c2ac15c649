// The HTTP API as data: each route's path, method, token rule and handler
// in one table (routes.cpp), and Respond, which turns a parsed request into
// its response without doing any I/O. The session reads, sends and closes;
// everything a request may get is decided here.
//
// A new GET route is one row in the table and one handler: the handler gets
// the request with its path and query parameters and returns a response of
// any type (Reply with "text/csv", "text/plain; version=0.0.4", JSON, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "station/core/command_outcome.h"
#include "station/core/live_state.h"
#include "station/http/access.h"
#include "station/http/responses.h"

namespace station {

class StationLog;
struct MetricsInput;
struct StationWatch;

// The query of a target, split and percent-decoded: "a=1&b=x%20y".
class Query {
 public:
  explicit Query(const std::string& text);
  bool Empty() const { return params_.empty(); }
  // False when the text was not name=value pairs, a name came twice, or a
  // name is not one of `known`.
  bool OnlyOnce(std::initializer_list<const char*> known) const;
  // The value of the first `name`; none when absent.
  std::optional<std::string> Get(const std::string& name) const;

 private:
  bool valid_ = true;
  std::vector<std::pair<std::string, std::string>> params_;
};

// What a handler sees of the server: the live state, who may do what, the
// clock at the request, and whether the event streams' share is taken.
struct Context {
  LiveState& live;
  const AccessPolicy& policy;
  StationLog* log = nullptr;  // none: --no-log, or the file was refused
  std::int64_t steadyMs = 0;
  std::int64_t unixMs = 0;
  int maxFields = 48;
  // Every event stream the server keeps is open (shares.h): a new one gets
  // 503, so that streams leave room for the page, the API and /metrics.
  bool streamsFull = false;
  StationWatch* watch = nullptr;  // the rig, the antenna's health and the alarm; none in tests
};

struct ApiRequest {
  const Request& raw;
  std::string path;
  Query query;
  std::string queryText;  // as given, after the '?'
};

// What the session does with a request.
struct Outcome {
  enum class Kind {
    Respond,      // send `response`
    EventStream,  // hand the connection to the event stream
    Blocking,     // run `job` off the server's thread, then send its response
  };
  Kind kind = Kind::Respond;
  // Respond: the answer. Blocking: the answer when the job cannot be queued.
  Response response;
  bool keepAlive = false;
  std::function<Response()> job;
};

using Handler = Outcome (*)(const ApiRequest&, const Context&);

struct Route {
  const char* path;
  http::verb method;
  TokenRule token;
  Handler handler;
};

// The request-to-response function: Host, Origin, method and token checks,
// then the route's handler.
Outcome Respond(const Request& req, const Context& ctx);

// The answer to a command that was not sent (command_outcome.h's table);
// a non-empty `message` replaces the table's.
Response NotSent(CommandOutcome outcome, const std::string& message, unsigned version);

// Answers for the handlers.
Outcome Answer(Response response, bool keepAlive);
Outcome Refuse(Response response);  // and close the connection

// The handlers (handlers.cpp).
Outcome PageHandler(const ApiRequest& req, const Context& ctx);
Outcome StatusHandler(const ApiRequest& req, const Context& ctx);
Outcome HistoryHandler(const ApiRequest& req, const Context& ctx);
Outcome EventsHandler(const ApiRequest& req, const Context& ctx);
Outcome CommandsHandler(const ApiRequest& req, const Context& ctx);
Outcome MetricsHandler(const ApiRequest& req, const Context& ctx);
// The station log's (log_handlers.cpp).
Outcome TransmissionsHandler(const ApiRequest& req, const Context& ctx);
Outcome QsosHandler(const ApiRequest& req, const Context& ctx);
Outcome SummaryHandler(const ApiRequest& req, const Context& ctx);
Outcome AlarmsHandler(const ApiRequest& req, const Context& ctx);
// The rig's, the bands' and the alarm's (station_handlers.cpp).
Outcome BandsHandler(const ApiRequest& req, const Context& ctx);
Outcome AlarmAckHandler(const ApiRequest& req, const Context& ctx);
// /metrics's alarm, antenna warnings and rig.
void FillStationMetrics(const Context& ctx, MetricsInput& metrics);
// Ten minutes and less from the live state; beyond, from the log.
Outcome HistoryFromLog(const ApiRequest& req, const Context& ctx, int seconds);

}  // namespace station
