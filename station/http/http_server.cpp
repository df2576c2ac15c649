// The HTTP server: its listeners and their accept loops, the wake-ups of
// the event streams from the live state, and the public face (http_server.h).
#include "station/http/http_server.h"


#include <algorithm>
#include <chrono>

#include "station/core/clock.h"
#include "station/http/event_stream.h"
#include "station/http/server_impl.h"

namespace station {

namespace {
// After a failed accept (out of descriptors, mostly): long enough not to
// spin, short enough that clients hardly notice once descriptors are free.
constexpr long kAcceptPauseMs = 100;
}  // namespace

void HttpServer::Impl::Accept(Listener& listener) {
  listener.acceptor.async_accept(
      net::make_strand(ioc), [this, &listener](beast::error_code ec, tcp::socket socket) {
        Accepted(listener, ec, std::move(socket));
      });
}

// Re-arms the listener after every connection; after a failure only once
// a pause has passed, as the failure (no descriptors left) would come back
// at once and keep a core busy.
void HttpServer::Impl::Accepted(Listener& listener, beast::error_code ec, tcp::socket socket) {
  if (ec == net::error::operation_aborted || !listener.acceptor.is_open()) return;
  if (!ec) {
    listener.failing = false;
    StartSession(std::move(socket), *this);
    return Accept(listener);
  }
  if (!listener.failing && log != nullptr) {
    *log << "swrctl: cannot accept connections (" << ec.message() << "); trying again every "
         << kAcceptPauseMs << " ms\n";
    log->flush();
  }
  listener.failing = true;
  listener.pause.expires_after(std::chrono::milliseconds(kAcceptPauseMs));
  listener.pause.async_wait([this, &listener](beast::error_code waitEc) {
    if (!waitEc) Accept(listener);
  });
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

HttpServer::HttpServer(LiveState& live, AccessPolicy policy, ServerLimits limits, std::ostream* log)
    : impl_(std::make_unique<Impl>(live, std::move(policy), limits, log)) {
  Impl* impl = impl_.get();
  const Changes streamed = change::kReading | change::kLink | change::kQso;
  impl->subscription = live.Subscribe(streamed, [impl](Changes) {
    // Called on the device loop's thread: one wake-up in flight at most.
    if (!impl->notifyPosted.exchange(true)) net::post(impl->ioc, [impl] { impl->Notify(); });
  });
}

HttpServer::~HttpServer() { impl_->subscription.Reset(); }

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
  impl_->listeners.emplace_back(std::move(acceptor));
  return true;
}

void HttpServer::SetLog(StationLog* log) { impl_->stationLog = log; }
void HttpServer::SetWatch(StationWatch* watch) { impl_->watch = watch; }

unsigned short HttpServer::Port() const {
  return impl_->listeners.empty() ? 0 : impl_->listeners.front().acceptor.local_endpoint().port();
}

void HttpServer::Run() {
  for (Listener& listener : impl_->listeners) impl_->Accept(listener);
  impl_->ioc.run();
}

void HttpServer::Stop() { impl_->ioc.stop(); }

}  // namespace station
