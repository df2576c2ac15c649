// One HTTP connection: reads a request within the limits, asks Respond
// (routes.h) what to do with it, and sends the answer, hands the connection
// to an event stream, or runs a command first. It decides nothing itself.
#include <chrono>

#include "station/http/event_stream.h"
#include "station/http/routes.h"
#include "station/http/server_impl.h"

namespace station {
namespace {

// The answer to a request that could not be read, if it gets one: the
// limits, and malformed framing (a bad or conflicting Content-Length, a
// broken request line). A client that went away or fell silent gets none.
std::optional<Response> ReadError(beast::error_code ec, const ServerLimits& limits) {
  if (ec == http::error::body_limit) {
    return Error(http::status::payload_too_large, "too_large",
                 "the request body is larger than " + std::to_string(limits.maxBody) + " bytes");
  }
  if (ec == http::error::header_limit) {
    return Error(http::status::request_header_fields_too_large, "too_large",
                 "the request headers are too large");
  }
  if (ec.category() != http::make_error_code(http::error::bad_method).category() ||
      ec == http::error::end_of_stream || ec == http::error::partial_message ||
      ec == http::error::short_read) {
    return std::nullopt;
  }
  return Error(http::status::bad_request, "bad_request",
               "the request is not valid HTTP/1.1 (" + ec.message() + ")");
}

class Session : public std::enable_shared_from_this<Session> {
 public:
  Session(tcp::socket socket, HttpServer::Impl& server)
      : stream_(std::move(socket)), server_(server) {}

  void Start() {
    slot_ = server_.shares.Enter();
    if (!slot_) return Send(TooManyClients(), false);
    Read();
  }

 private:
  // While the connection waits (for a request, or for its client to close),
  // a newer connection may need the slot: the wait ends, and OnRead or the
  // drain sees why.
  void Wait() {
    std::weak_ptr<Session> weak = weak_from_this();
    slot_->Waiting([weak] {
      beast::error_code ignored;
      if (auto self = weak.lock()) {
        self->evicted_ = true;
        self->stream_.socket().cancel(ignored);
        if (ignored) self->stream_.socket().close(ignored);  // cannot cancel: just end it
      }
    });
  }

  void Read() {
    parser_.emplace();
    parser_->header_limit(static_cast<std::uint32_t>(server_.limits.maxHeader));
    parser_->body_limit(server_.limits.maxBody);
    stream_.expires_after(std::chrono::milliseconds(server_.limits.idleMs));
    Wait();
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](beast::error_code ec, std::size_t) {
                       self->OnRead(ec);
                     });
  }

  void OnRead(beast::error_code ec) {
    slot_->Settled();
    if (evicted_) {
      // A client that had begun a request learns why it ends; one that had
      // sent nothing (a connection kept alive, a browser's spare) is closed.
      if (buffer_.size() > 0 || parser_->got_some()) return Send(TooManyClients(), false);
      return;
    }
    if (ec) {
      if (std::optional<Response> answer = ReadError(ec, server_.limits)) {
        return Send(std::move(*answer), false);
      }
      return Close();  // timed out, closed, or gone
    }
    const Request req = parser_->release();
    const Context ctx{server_.live,  server_.policy, server_.stationLog,
                      SteadyNowMs(), UnixNowMs(),
                      server_.limits.maxFields, server_.shares.StreamsFull(), server_.watch};
    Carry(Respond(req, ctx));
  }

  void Carry(Outcome outcome) {
    switch (outcome.kind) {
      case Outcome::Kind::Respond:
        return Send(std::move(outcome.response), outcome.keepAlive);
      case Outcome::Kind::EventStream:
        stream_.expires_never();
        slot_->Stream();
        std::make_shared<EventStream>(std::move(stream_), server_, std::move(slot_))->Start();
        return;
      case Outcome::Kind::Blocking:
        break;
    }
    const bool keepAlive = outcome.keepAlive;
    stream_.expires_never();
    auto done = [self = shared_from_this(), keepAlive](Response res) {
      self->Send(std::move(res), keepAlive);
    };
    if (!server_.worker->Submit(std::move(outcome.job), std::move(done))) {
      // The handler's answer for a job that cannot be queued.
      Send(std::move(outcome.response), keepAlive);
    }
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
  // has read our answer. Meanwhile it waits like any idle connection and may
  // make room. One that was evicted ends at once: its slot is given already.
  void Close() {
    beast::error_code ignored;
    if (evicted_) {
      stream_.socket().close(ignored);
      return;
    }
    stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
    stream_.expires_after(std::chrono::milliseconds(2000));
    if (slot_) Wait();
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
  std::unique_ptr<Shares::Slot> slot_;
  bool evicted_ = false;  // made room for a newer connection
  boost::optional<http::request_parser<http::string_body>> parser_;
  std::shared_ptr<Response> response_;
  char drain_[4096];
  std::size_t drained_ = 0;
};

}  // namespace

void StartSession(tcp::socket socket, HttpServer::Impl& server) {
  std::make_shared<Session>(std::move(socket), server)->Start();
}

}  // namespace station
