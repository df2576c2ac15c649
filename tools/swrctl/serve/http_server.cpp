#include "tools/swrctl/serve/http_server.h"

#include <chrono>

#include "tools/swrctl/serve/api_json.h"
#include "tools/swrctl/serve/http_internal.h"

namespace swrctl {

std::int64_t SteadyNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::int64_t UnixNowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

namespace {
constexpr std::size_t kMaxQueuedCommands = 8;
}  // namespace

CommandWorker::CommandWorker(net::io_context& ioc) : ioc_(ioc), thread_([this] { Loop(); }) {}

CommandWorker::~CommandWorker() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

bool CommandWorker::Submit(const swr::CommandReport& report, Done done) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (queue_.size() >= kMaxQueuedCommands) return false;
  queue_.emplace_back(report, std::move(done));
  wake_.notify_all();
  return true;
}

void CommandWorker::Loop() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    auto job = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    const SendResult result = SendReport(job.first);
    net::post(ioc_, [done = std::move(job.second), result] { done(result); });
    lock.lock();
  }
}

void HttpServer::Impl::Accept() {
  for (tcp::acceptor& acceptor : acceptors) {
    // Each acceptor re-arms itself after every connection.
    struct Loop {
      Impl* server;
      tcp::acceptor* acceptor;
      void operator()(beast::error_code ec, tcp::socket socket) const {
        if (ec == net::error::operation_aborted || !acceptor->is_open()) return;
        if (!ec) StartSession(std::move(socket), *server);
        acceptor->async_accept(net::make_strand(server->ioc), *this);
      }
    };
    acceptor.async_accept(net::make_strand(ioc), Loop{this, &acceptor});
  }
}

void HttpServer::Impl::Notify() {
  notifyPosted = false;
  for (auto it = streams.begin(); it != streams.end();) {
    if (std::shared_ptr<EventStream> stream = it->lock()) {
      stream->Update();
      ++it;
    } else {
      it = streams.erase(it);
    }
  }
}

EventStream::EventStream(beast::tcp_stream stream, HttpServer::Impl& server,
                         std::unique_ptr<ConnectionSlot> slot)
    : stream_(std::move(stream)),
      server_(server),
      slot_(std::move(slot)),
      gapTimer_(server.ioc),
      heartbeat_(server.ioc) {}

void EventStream::Start() {
  server_.streams.push_back(weak_from_this());
  Write(
      "HTTP/1.1 200 OK\r\n"
      "Content-Type: text/event-stream; charset=utf-8\r\n"
      "Cache-Control: no-store\r\n"
      "X-Content-Type-Options: nosniff\r\n"
      "Connection: keep-alive\r\n"
      "\r\n"
      "retry: 1000\n\n");
  ArmHeartbeat();
}

void EventStream::ArmHeartbeat() {
  heartbeat_.expires_after(std::chrono::milliseconds(server_.limits.heartbeatMs));
  heartbeat_.async_wait([self = shared_from_this()](beast::error_code ec) {
    if (ec || self->closed_) return;
    if (!self->writing_) self->Write(": keep-alive\n\n");
    self->ArmHeartbeat();
  });
}

void EventStream::Update() {
  if (closed_ || writing_) return;  // the write's end calls Update again
  const std::int64_t now = SteadyNowMs();
  const Snapshot s = server_.live.Get(now);
  std::string text;
  if (s.link.changes != sentLinkChanges_) {
    sentLinkChanges_ = s.link.changes;
    text += "event: link\ndata: " + LinkJson(s.link) + "\n\n";
  }
  if (s.reading.sequence > sentSequence_) {
    const std::int64_t wait = lastReadingMs_ + server_.limits.eventGapMs - now;
    if (wait <= 0) {
      if (server_.cachedSequence != s.reading.sequence) {
        server_.cachedSequence = s.reading.sequence;
        server_.cachedReading = ReadingJson(s.reading);
      }
      sentSequence_ = s.reading.sequence;
      lastReadingMs_ = now;
      text += "event: reading\nid: " + std::to_string(s.reading.sequence) +
              "\ndata: " + server_.cachedReading + "\n\n";
    } else if (!gapArmed_) {
      // Too soon after the last one: send whatever is newest then.
      gapArmed_ = true;
      gapTimer_.expires_after(std::chrono::milliseconds(wait));
      gapTimer_.async_wait([self = shared_from_this()](beast::error_code ec) {
        self->gapArmed_ = false;
        if (!ec) self->Update();
      });
    }
  }
  if (!text.empty()) Write(std::move(text));
}

void EventStream::Write(std::string text) {
  writing_ = true;
  out_ = std::move(text);
  // A client that does not take the data in time is dropped; meanwhile the
  // others and the device loop go on, and this one just skips readings.
  stream_.expires_after(std::chrono::milliseconds(server_.limits.writeMs));
  net::async_write(stream_, net::buffer(out_),
                   [self = shared_from_this()](beast::error_code ec, std::size_t) {
                     self->writing_ = false;
                     if (ec) {
                       self->closed_ = true;
                       self->gapTimer_.cancel();
                       self->heartbeat_.cancel();
                       beast::error_code ignored;
                       self->stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
                       return;
                     }
                     self->stream_.expires_never();
                     self->Update();
                   });
}

HttpServer::HttpServer(LiveState& live, AccessPolicy policy, ServerLimits limits)
    : impl_(std::make_unique<Impl>(live, std::move(policy), limits)) {
  Impl* impl = impl_.get();
  live.SetListener([impl] {
    // Called on the device loop's thread: one wake-up in flight at most.
    if (!impl->notifyPosted.exchange(true)) net::post(impl->ioc, [impl] { impl->Notify(); });
  });
}

HttpServer::~HttpServer() { impl_->live.SetListener(nullptr); }

bool HttpServer::Listen(const std::string& host, unsigned short port, std::string& error) {
  beast::error_code ec;
  const net::ip::address address = net::ip::make_address(host, ec);
  if (ec) {
    error = "'" + host + "' is not an IP address";
    return false;
  }
  tcp::acceptor acceptor(impl_->ioc);
  const tcp::endpoint endpoint(address, port);
  acceptor.open(endpoint.protocol(), ec);
#ifndef _WIN32
  // A restart right after a stop may bind again at once. (On Windows this
  // option would let another program take the same port.)
  if (!ec) acceptor.set_option(net::socket_base::reuse_address(true), ec);
#endif
  if (!ec) acceptor.bind(endpoint, ec);
  if (!ec) acceptor.listen(net::socket_base::max_listen_connections, ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  impl_->acceptors.push_back(std::move(acceptor));
  return true;
}

unsigned short HttpServer::Port() const {
  return impl_->acceptors.empty() ? 0 : impl_->acceptors.front().local_endpoint().port();
}

void HttpServer::Run() {
  impl_->Accept();
  impl_->ioc.run();
}

void HttpServer::Stop() { impl_->ioc.stop(); }

}  // namespace swrctl
