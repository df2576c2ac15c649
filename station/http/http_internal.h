// The parts of the HTTP front end that its two files share. Everything
// here lives on the server's one thread unless it says otherwise.
#pragma once

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <condition_variable>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "device/reports.h"
#include "station/core/command_request.h"
#include "station/http/http_server.h"

namespace swrctl {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace net = boost::asio;
using tcp = boost::asio::ip::tcp;

std::int64_t SteadyNowMs();
std::int64_t UnixNowMs();

// Writes the commands on a thread of its own (opening the controller can
// take a while) and hands each result back to the server's thread.
class CommandWorker {
 public:
  using Done = std::function<void(SendResult)>;
  explicit CommandWorker(net::io_context& ioc);
  ~CommandWorker();
  // false when too many are waiting already.
  bool Submit(const swr::CommandReport& report, Done done);

 private:
  void Loop();
  net::io_context& ioc_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::pair<swr::CommandReport, Done>> queue_;
  bool stopping_ = false;
  std::thread thread_;
};

class EventStream;

struct HttpServer::Impl {
  Impl(LiveState& l, AccessPolicy p, ServerLimits lim)
      : live(l), policy(std::move(p)), limits(lim), retry(ioc) {
    worker = std::make_unique<CommandWorker>(ioc);
  }
  // The worker goes first: it may still post to ioc. Connections still open
  // are dropped with ioc's handlers.
  ~Impl() { worker.reset(); }
  void Accept();
  // On the server's thread: every event stream looks at the live state.
  void Notify();
  // Calls Notify again at steady time dueMs: for streams that had to wait
  // out their gap. One timer serves every stream.
  void RetryAt(std::int64_t dueMs);

  net::io_context ioc{1};
  LiveState& live;
  AccessPolicy policy;
  ServerLimits limits;
  std::list<tcp::acceptor> acceptors;
  std::shared_ptr<int> connections = std::make_shared<int>(0);
  std::list<std::weak_ptr<EventStream>> streams;
  std::atomic<bool> notifyPosted{false};
  // The newest reading as an event, made once for all streams.
  std::uint64_t cachedSequence = 0;
  std::string cachedReading;
  net::steady_timer retry;
  std::int64_t retryDueMs = 0;  // 0: not armed
  std::unique_ptr<CommandWorker> worker;
  const StationLog* log = nullptr;
};

// Counts an open connection for as long as it lives.
class ConnectionSlot {
 public:
  explicit ConnectionSlot(HttpServer::Impl& server) : count_(server.connections) { ++*count_; }
  ~ConnectionSlot() { --*count_; }
  ConnectionSlot(const ConnectionSlot&) = delete;
  ConnectionSlot& operator=(const ConnectionSlot&) = delete;

 private:
  std::shared_ptr<int> count_;
};

// A client of GET /api/v1/events from the response headers on.
class EventStream : public std::enable_shared_from_this<EventStream> {
 public:
  EventStream(beast::tcp_stream stream, HttpServer::Impl& server,
              std::unique_ptr<ConnectionSlot> slot);
  void Start();
  // The live state changed (or a wait ended): send what is new, if the
  // stream is free and the last reading went out long enough ago.
  void Update(const Snapshot& snapshot, std::int64_t nowMs);

 private:
  void Write(std::string text);
  void ArmHeartbeat();

  beast::tcp_stream stream_;
  HttpServer::Impl& server_;
  std::unique_ptr<ConnectionSlot> slot_;
  net::steady_timer heartbeat_;
  bool writing_ = false;
  bool missed_ = false;  // a change came while writing
  bool closed_ = false;
  std::string out_;
  std::uint64_t sentSequence_ = 0;
  std::uint64_t sentLinkChanges_ = ~std::uint64_t{0};
  std::int64_t lastSlot_ = -1;  // of the last reading sent
};

// One connection from the first request on.
void StartSession(tcp::socket socket, HttpServer::Impl& server);

}  // namespace swrctl
