// The HTTP front end of swrctl serve: the page, the JSON API and the event
// stream, on one thread of its own. Nothing here blocks the device loop: it
// is woken through the live state's listener and always sends the newest.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "station/http/access.h"
#include "station/core/live_state.h"

namespace station {

class StationLog;
struct StationWatch;


struct ServerLimits {
  int maxConnections = 80;        // open at once, event streams included
  // Of those, at most this many event streams; the rest stay for the page,
  // the API and /metrics (shares.h).
  int maxStreams = 64;
  std::size_t maxBody = 4096;     // bytes of a request body
  std::size_t maxHeader = 8192;   // bytes of the request line and headers
  int maxFields = 48;             // header fields of a request
  long idleMs = 15000;            // to send a whole request, or between two
  long writeMs = 10000;           // for a client to take one response or event
  long eventGapMs = 40;           // at most 25 readings a second per stream
  long heartbeatMs = 15000;       // a comment on a quiet stream
};

class HttpServer {
 public:
  // `log`, when set, hears of trouble that concerns no single request
  // (accept failing for want of descriptors).
  HttpServer(LiveState& live, AccessPolicy policy, ServerLimits limits = {},
             std::ostream* log = nullptr);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // host: an IP address (IPv6 without brackets). false with `error` set
  // when it cannot listen there.
  bool Listen(const std::string& host, unsigned short port, std::string& error);
  unsigned short Port() const;
  // The station log for the status and the log's API (null: none). Before Run.
  void SetLog(StationLog* log);
  // The rig, the antenna's health and the alarm (null: none). Before Run.
  void SetWatch(StationWatch* watch);

  // Serves on the calling thread until Stop.
  void Run();
  // From any thread.
  void Stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace station
