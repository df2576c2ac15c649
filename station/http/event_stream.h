// A client of GET /api/v1/events from the response's head on: sends the
// link state and the newest reading as they change, at most one reading per
// gap, each QSO the log stores or fills in from then on, and a comment on a
// quiet stream. A read stays pending on the socket,
// so a client that goes away frees its slot at once, not at the next write.
#pragma once

#include <memory>
#include <string>

#include "station/http/server_impl.h"

namespace station {

class EventStream : public std::enable_shared_from_this<EventStream> {
 public:
  EventStream(beast::tcp_stream stream, HttpServer::Impl& server,
              std::unique_ptr<Shares::Slot> slot);
  void Start();
  // The live state changed (or a wait ended): send what is new, if the
  // stream is free and the last reading went out long enough ago.
  void Update(const Snapshot& snapshot, std::int64_t nowMs);

 private:
  std::string ReadingEvent(const Snapshot& snapshot, std::int64_t nowMs);
  std::string QsoEvents();
  void Write(std::string text);
  void ArmHeartbeat();
  void WatchClient();
  void End();

  beast::tcp_stream stream_;
  HttpServer::Impl& server_;
  std::unique_ptr<Shares::Slot> slot_;
  net::steady_timer heartbeat_;
  bool writing_ = false;
  bool missed_ = false;  // a change came while writing
  bool closed_ = false;
  std::string out_;
  char in_[512];
  std::uint64_t sentSequence_ = 0;
  std::uint64_t sentLinkChanges_ = ~std::uint64_t{0};
  std::uint64_t sentQsos_ = 0;  // the log's QSO sequence sent up to
  std::int64_t lastSlot_ = -1;  // of the last reading sent
};

}  // namespace station
