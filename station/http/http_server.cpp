#include "station/http/http_server.h"

#include <algorithm>
#include <chrono>

#include "station/core/api_json.h"
#include "station/http/http_internal.h"

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
  const std::int64_t now = SteadyNowMs();
  const Snapshot snapshot = live.Get(now);
  for (auto it = streams.begin(); it != streams.end();) {
    if (std::shared_ptr<EventStream> stream = it->lock()) {
      stream->Update(snapshot, now);
      ++it;
    } else {
      it = streams.erase(it);
    }
  }
}

void HttpServer::Impl::RetryAt(std::int64_t dueMs) {
  if (retryDueMs != 0 && retryDueMs <= dueMs) return;
  retryDueMs = dueMs;
  retry.expires_after(std::chrono::milliseconds(std::max<std::int64_t>(0, dueMs - SteadyNowMs())));
  retry.async_wait([this](beast::error_code ec) {
    if (ec) return;  // re-armed earlier, or stopping
    retryDueMs = 0;
    Notify();
  });
}

EventStream::EventStream(beast::tcp_stream stream, HttpServer::Impl& server,
                         std::unique_ptr<ConnectionSlot> slot)
    : stream_(std::move(stream)),
      server_(server),
      slot_(std::move(slot)),
      heartbeat_(server.ioc) {}

void EventStream::Start() {
  server_.streams.push_back(weak_from_this());
  // The first events (link state, newest reading) follow the headers, also
  // when nothing changes.
  missed_ = true;
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

void EventStream::Update(const Snapshot& s, std::int64_t now) {
  if (closed_) return;
  if (writing_) {
    missed_ = true;  // the write's end looks again
    return;
  }
  std::string text;
  if (s.link.changes != sentLinkChanges_) {
    sentLinkChanges_ = s.link.changes;
    text += "event: link\ndata: " + LinkJson(s.link) + "\n\n";
  }
  if (s.reading.sequence > sentSequence_) {
    // At most one reading per slot of eventGapMs. The slots are the same
    // for every stream, so those that wait are all served by one round at
    // the next slot's start.
    const std::int64_t gap = server_.limits.eventGapMs;
    const std::int64_t slot = now / gap;
    if (slot != lastSlot_) {
      if (server_.cachedSequence != s.reading.sequence) {
        server_.cachedSequence = s.reading.sequence;
        server_.cachedReading = "event: reading\nid: " + std::to_string(s.reading.sequence) +
                                "\ndata: " + ReadingJson(s.reading) + "\n\n";
      }
      sentSequence_ = s.reading.sequence;
      lastSlot_ = slot;
      text += server_.cachedReading;
    } else {
      server_.RetryAt((slot + 1) * gap);
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
                       self->heartbeat_.cancel();
                       beast::error_code ignored;
                       self->stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
                       return;
                     }
                     self->stream_.expires_never();
                     // What came meanwhile goes out with the next round over
                     // all streams, which takes one snapshot for them all.
                     if (self->missed_) {
                       self->missed_ = false;
                       self->server_.RetryAt(SteadyNowMs());
                     }
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

void HttpServer::SetLog(const StationLog* log) { impl_->log = log; }

unsigned short HttpServer::Port() const {
  return impl_->acceptors.empty() ? 0 : impl_->acceptors.front().local_endpoint().port();
}

void HttpServer::Run() {
  impl_->Accept();
  impl_->ioc.run();
}

void HttpServer::Stop() { impl_->ioc.stop(); }

}  // namespace swrctl
