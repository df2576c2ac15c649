// The routes of the station log: its queries read the file on a connection
// of their own and may take a while (a month as CSV), so they run as jobs
// off the server's thread, which keeps serving the event streams meanwhile.
// A query that finds the file malformed stops the writer too.
#include "station/http/routes.h"
#include "station/log/log_routes.h"
#include "station/log/log_store.h"

namespace station {
namespace {

// The file of the station log for readers; empty when there is none.
std::string LogPath(const Context& ctx) {
  return ctx.log != nullptr && ctx.log->Usable() ? ctx.log->Path() : std::string();
}

Response FromLogReply(LogReply reply, unsigned version) {
  Response res = Reply(static_cast<http::status>(reply.status), reply.contentType,
                       std::move(reply.body), version);
  if (!reply.disposition.empty()) res.set(http::field::content_disposition, reply.disposition);
  return res;
}

Outcome LogJob(const ApiRequest& req, const Context& ctx, std::function<LogReply()> query) {
  const unsigned v = req.raw.version();
  Outcome outcome = Answer(Error(http::status::service_unavailable, "busy",
                                 "too many requests are waiting; try again", v),
                           req.raw.keep_alive());
  outcome.kind = Outcome::Kind::Blocking;
  outcome.job = [query = std::move(query), log = ctx.log, v] {
    LogReply reply = query();
    if (!reply.damage.empty() && log != nullptr) log->Damaged(reply.damage);
    return FromLogReply(std::move(reply), v);
  };
  return outcome;
}

}  // namespace

Outcome TransmissionsHandler(const ApiRequest& req, const Context& ctx) {
  const bool csv = req.path.size() > 4 && req.path.compare(req.path.size() - 4, 4, ".csv") == 0;
  return LogJob(req, ctx, [path = LogPath(ctx), query = req.queryText, csv] {
    return TransmissionsReply(path, query, csv);
  });
}

Outcome QsosHandler(const ApiRequest& req, const Context& ctx) {
  const bool adif = req.path.size() > 4 && req.path.compare(req.path.size() - 4, 4, ".adi") == 0;
  return LogJob(req, ctx, [path = LogPath(ctx), query = req.queryText, adif, now = ctx.unixMs] {
    return QsosReply(path, query, adif, now);
  });
}

Outcome AlarmsHandler(const ApiRequest& req, const Context& ctx) {
  const std::string prefix = "/api/v1/alarms/";
  if (req.path.compare(0, prefix.size(), prefix) != 0) {
    return LogJob(req, ctx, [path = LogPath(ctx), query = req.queryText] {
      return AlarmsReply(path, query);
    });
  }
  return LogJob(req, ctx, [path = LogPath(ctx), id = req.path.substr(prefix.size()),
                           query = req.queryText] { return AlarmReply(path, id, query); });
}

Outcome SummaryHandler(const ApiRequest& req, const Context& ctx) {
  return LogJob(req, ctx, [path = LogPath(ctx), query = req.queryText, now = ctx.unixMs] {
    return SummaryReply(path, query, now);
  });
}

Outcome HistoryFromLog(const ApiRequest& req, const Context& ctx, int seconds) {
  return LogJob(req, ctx, [path = LogPath(ctx), seconds, now = ctx.unixMs] {
    return HistoryReply(path, seconds, now);
  });
}

}  // namespace station
