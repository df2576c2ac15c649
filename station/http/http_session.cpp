// One HTTP connection: reads a request within the limits, checks Host,
// Origin and token, and answers it or hands it on (event stream, command).
#include <chrono>
#include <iterator>

#include "tools/swrctl/command.h"
#include "station/core/api_json.h"
#include "station/http/http_internal.h"
#include "station/log/log_routes.h"
#include "station/log/log_store.h"
#include "station/web/web_page.h"

namespace swrctl {
namespace {

using Request = http::request<http::string_body>;
using Response = http::response<http::string_body>;

const char kJson[] = "application/json; charset=utf-8";

Response Reply(http::status status, const std::string& contentType, std::string body,
               unsigned version) {
  Response res{status, version};
  res.set(http::field::content_type, contentType);
  res.set(http::field::cache_control, "no-store");
  res.set("X-Content-Type-Options", "nosniff");
  res.body() = std::move(body);
  res.prepare_payload();
  return res;
}

Response Error(http::status status, const std::string& code, const std::string& message,
               unsigned version = 11) {
  return Reply(status, kJson, ErrorJson(code, message), version);
}

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, HttpServer::Impl& server)
      : stream_(std::move(socket)),
        server_(server),
        slot_(std::make_unique<ConnectionSlot>(server)) {}

  void Start() {
    if (*server_.connections > server_.limits.maxConnections) {
      Send(Error(http::status::service_unavailable, "too_many_clients",
                 "too many clients are connected; try again later"),
           false);
      return;
    }
    Read();
  }

 private:
  void Read() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeader));
    parser_->body_limit(server_.limits.maxBody);
    stream_.expires_after(std::chrono::milliseconds(server_.limits.idleMs));
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                       self->OnRead(ec);
                     });
  }

  void OnRead(beast::error_code ec) {
    if (ec == http::error::body_limit) {
      Send(Error(http::status::payload_too_large, "too_large",
                 "the request body is larger than " + std::to_string(server_.limits.maxBody) +
                     " bytes"),
           false);
      return;
    }
    if (ec == http::error::header_limit) {
      Send(Error(http::status::request_header_fields_too_large, "too_large",
                 "the request headers are too large"),
           false);
      return;
    }
    if (ec) return Close();  // timed out, closed, or not HTTP
    Request req = parser_->release();
    Handle(req);
  }

  void Handle(const Request& req) {
    const unsigned v = req.version();
    const AccessPolicy& policy = server_.policy;
    if (std::distance(req.begin(), req.end()) > server_.limits.maxFields) {
      return Send(Error(http::status::request_header_fields_too_large, "too_large",
                        "too many header fields", v),
                  false);
    }
    const std::string host(req[http::field::host]);
    if (!HostAllowed(host, policy)) {
      return Send(Error(http::status::forbidden, "foreign_host",
                        "the Host of the request is not this server", v),
                  false);
    }
    const std::string target(req.target());
    const std::size_t q = target.find('?');
    const std::string path = target.substr(0, q);
    const std::string query = q == std::string::npos ? "" : target.substr(q + 1);

    if (path == "/" || path == "/index.html") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      Response res = Reply(http::status::ok, "text/html; charset=utf-8",
                           std::string(reinterpret_cast<const char*>(kIndexHtml), kIndexHtmlSize),
                           v);
      res.set("Content-Security-Policy",
              "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
              "connect-src 'self'; img-src data:; base-uri 'none'; form-action 'none'; "
              "frame-ancestors 'none'");
      res.set("X-Frame-Options", "DENY");
      res.set("Referrer-Policy", "no-referrer");
      return Send(std::move(res), req.keep_alive());
    }
    if (path.compare(0, 8, "/api/v1/") != 0) {
      return Send(Error(http::status::not_found, "not_found", "no such resource", v),
                  req.keep_alive());
    }
    // Another site's page may not use the API, even where the browser
    // would let it send the request.
    const std::string fetchSite(req["Sec-Fetch-Site"]);
    if (!OriginAllowed(std::string(req[http::field::origin]), host) || fetchSite == "cross-site") {
      return Send(Error(http::status::forbidden, "foreign_origin",
                        "requests from other sites' pages are refused", v),
                  false);
    }
    const bool commands = path == "/api/v1/commands";
    if (commands && req.method() != http::verb::post) return MethodNotAllowed(v, "POST");
    if (TokenRequired(path, policy) &&
        !Authorized(std::string(req[http::field::authorization]), policy)) {
      Response res = Error(http::status::unauthorized, "unauthorized",
                           "the access token is missing or wrong (Authorization: Bearer TOKEN)", v);
      res.set(http::field::www_authenticate, "Bearer");
      return Send(std::move(res), req.keep_alive());
    }
    const std::int64_t now = SteadyNowMs();
    if (path == "/api/v1/status") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      const LogState logState = server_.log ? server_.log->State() : LogState{};
      return Send(Reply(http::status::ok, kJson,
                        StatusJson(server_.live.Get(now), now, policy.readOnly,
                                   server_.log ? &logState : nullptr),
                        v),
                  req.keep_alive());
    }
    if (path == "/api/v1/history") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      int seconds = 0;
      std::string error;
      if (!ParseHistorySeconds(query, seconds, error)) {
        return Send(Error(http::status::bad_request, "bad_request", error, v), req.keep_alive());
      }
      // Ten minutes and less from the live state, in its half-second slots.
      if (seconds <= LiveState::kHistorySeconds) {
        return Send(Reply(http::status::ok, kJson,
                          HistoryJson(server_.live.History(seconds, UnixNowMs()), seconds), v),
                    req.keep_alive());
      }
      return SendLog(HistoryReply(LogPath(), seconds, UnixNowMs()), req);
    }
    if (path == "/api/v1/transmissions" || path == "/api/v1/transmissions.csv") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      return SendLog(TransmissionsReply(LogPath(), query, path.back() == 'v'), req);
    }
    if (path == "/api/v1/summary") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      return SendLog(SummaryReply(LogPath(), query, UnixNowMs()), req);
    }
    if (path == "/api/v1/events") {
      if (req.method() != http::verb::get) return MethodNotAllowed(v, "GET");
      stream_.expires_never();
      std::make_shared<EventStream>(std::move(stream_), server_, std::move(slot_))->Start();
      return;
    }
    if (commands) {
      if (req.method() != http::verb::post) return MethodNotAllowed(v, "POST");
      return Command(req);
    }
    Send(Error(http::status::not_found, "not_found", "no such resource", v), req.keep_alive());
  }

  void Command(const Request& req) {
    const unsigned v = req.version();
    if (server_.policy.readOnly) {
      return Send(Error(http::status::forbidden, "read_only",
                        "this server is read-only (--read-only): no commands", v),
                  req.keep_alive());
    }
    const std::string type(req[http::field::content_type]);
    if (type.compare(0, 16, "application/json") != 0) {
      return Send(Error(http::status::bad_request, "bad_request",
                        "the body must be JSON with Content-Type: application/json", v),
                  req.keep_alive());
    }
    const CommandRequest request = ParseCommandRequest(req.body());
    if (!request.ok()) {
      return Send(Error(http::status::bad_request, "bad_request", request.error, v),
                  req.keep_alive());
    }
    const swr::CommandReport report = ReportFor(request.options);
    const char* name = CommandName(request.options.action);
    const bool keepAlive = req.keep_alive();
    stream_.expires_never();
    auto done = [self = shared_from_this(), report, name, v, keepAlive](SendResult result) {
      switch (result) {
        case SendResult::Sent:
          return self->Send(Reply(http::status::ok, kJson, SentJson(name, report), v), keepAlive);
        case SendResult::NotConnected:
          return self->Send(Error(http::status::conflict, "not_connected",
                                  "the controller is not connected; nothing was sent", v),
                            keepAlive);
        case SendResult::OpenFailed:
          return self->Send(Error(http::status::bad_gateway, "write_failed",
                                  "the controller cannot be opened for writing (check the "
                                  "device permissions)", v),
                            keepAlive);
        case SendResult::WriteFailed:
          return self->Send(Error(http::status::bad_gateway, "write_failed",
                                  "writing the command to the controller failed", v),
                            keepAlive);
      }
    };
    if (!server_.worker->Submit(report, std::move(done))) {
      Send(Error(http::status::service_unavailable, "busy",
                 "too many commands are waiting; nothing was sent", v),
           keepAlive);
    }
  }

  // The file of the station log for readers; empty when there is none.
  std::string LogPath() const {
    return server_.log && server_.log->Usable() ? server_.log->Path() : std::string();
  }

  void SendLog(const LogReply& reply, const Request& req) {
    Response res = Reply(static_cast<http::status>(reply.status), reply.contentType, reply.body,
                         req.version());
    if (!reply.disposition.empty()) res.set(http::field::content_disposition, reply.disposition);
    Send(std::move(res), req.keep_alive());
  }

  void MethodNotAllowed(unsigned version, const char* allow) {
    Response res = Error(http::status::method_not_allowed, "method_not_allowed",
                         std::string("only ") + allow + " is allowed here", version);
    res.set(http::field::allow, allow);
    Send(std::move(res), false);
  }

  void Send(Response res, bool keepAlive) {
    res.keep_alive(keepAlive);
    response_ = std::make_shared<Response>(std::move(res));
    stream_.expires_after(std::chrono::milliseconds(server_.limits.writeMs));
    http::async_write(stream_, *response_,
                      [self = shared_from_this(), keepAlive](beast::error_code ec, std::size_t) {
                        if (ec || !keepAlive) return self->Close();
                        self->Read();
                      });
  }

  // Ends the connection gracefully: our side first, then whatever the
  // client still sends is read and dropped (a bounded amount, for a bounded
  // time), so that closing does not reset the connection before the client
  // has read our answer.
  void Close() {
    beast::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(std::chrono::milliseconds(2000));
    Drain();
  }

  void Drain() {
    stream_.async_read_some(net::buffer(drain_),
                            [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                              self->drained_ += n;
                              if (!ec && self->drained_ < (1u << 20)) self->Drain();
                            });
  }

  beast::tcp_stream stream_;
  beast::flat_buffer buffer_;
  HttpServer::Impl& server_;
  std::unique_ptr<ConnectionSlot> slot_;
  boost::optional<http::request_parser<http::string_body>> parser_;
  std::shared_ptr<Response> response_;
  char drain_[4096];
  std::size_t drained_ = 0;
};

}  // namespace

void StartSession(tcp::socket socket, HttpServer::Impl& server) {
  std::make_shared<Session>(std::move(socket), server)->Start();
}

}  // namespace swrctl
