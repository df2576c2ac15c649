// The server's state that its parts share: the listeners, the slots, the
// event streams and the worker for commands. Everything here lives on the
// server's one thread unless it says otherwise.
#pragma once

#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <list>
#include <memory>
#include <ostream>
#include <string>

#include "station/core/clock.h"
#include "station/http/blocking_worker.h"
#include "station/http/http_server.h"
#include "station/http/shares.h"

namespace station {

namespace beast = boost::beast;
namespace net = boost::asio;
using tcp = boost::asio::ip::tcp;


class EventStream;

// One listening socket; when accept fails (no descriptors left) it waits a
// moment before the next try instead of trying again at once.
struct Listener {
  explicit Listener(tcp::acceptor a) : acceptor(std::move(a)), pause(acceptor.get_executor()) {}
  tcp::acceptor acceptor;
  net::steady_timer pause;
  bool failing = false;  // said so on the log; cleared by the next success
};

struct HttpServer::Impl {
  Impl(LiveState& l, AccessPolicy p, ServerLimits lim, std::ostream* logTo)
      : live(l),
        policy(std::move(p)),
        limits(lim),
        log(logTo),
        shares(lim.maxConnections, lim.maxStreams),
        retry(ioc) {
    worker = std::make_unique<BlockingWorker>(ioc);
  }
  // The worker goes first: it may still post to ioc. Connections still open
  // are dropped with ioc's handlers.
  ~Impl() { worker.reset(); }
  void Accept(Listener& listener);
  void Accepted(Listener& listener, beast::error_code ec, tcp::socket socket);
  // On the server's thread: every event stream looks at the live state.
  void Notify();
  // Calls Notify again at steady time dueMs: for streams that had to wait
  // out their gap. One timer serves every stream.
  void RetryAt(std::int64_t dueMs);

  net::io_context ioc{1};
  LiveState& live;
  AccessPolicy policy;
  ServerLimits limits;
  std::ostream* log;
  std::list<Listener> listeners;
  Shares shares;
  std::list<std::weak_ptr<EventStream>> streams;
  std::atomic<bool> notifyPosted{false};
  // The newest reading as an event, made once for all streams.
  std::uint64_t cachedSequence = 0;
  std::string cachedReading;
  net::steady_timer retry;
  std::int64_t retryDueMs = 0;  // 0: not armed
  std::unique_ptr<BlockingWorker> worker;
  Subscription subscription;  // to the readings, the link and the QSOs
  StationLog* stationLog = nullptr;
  StationWatch* watch = nullptr;
};

// One connection from the first request on.
void StartSession(tcp::socket socket, HttpServer::Impl& server);

}  // namespace station
