// The event stream of one client (see event_stream.h).
#include "station/http/event_stream.h"

#include <chrono>

#include "station/core/api_json.h"
#include "station/http/responses.h"
#include "station/log/log_store.h"
#include "station/log/qso_format.h"

namespace station {

EventStream::EventStream(beast::tcp_stream stream, HttpServer::Impl& server,
                         std::unique_ptr<Shares::Slot> slot)
    : stream_(std::move(stream)),
      server_(server),
      slot_(std::move(slot)),
      heartbeat_(server.ioc) {}

void EventStream::Start() {
  server_.streams.push_back(weak_from_this());
  // The first events (link state, newest reading) follow the head, also
  // when nothing changes.
  missed_ = true;
  // The QSOs before the stream are the list's; only new ones come here.
  if (server_.stationLog != nullptr) sentQsos_ = server_.stationLog->Qsos().Newest();
  Write(EventStreamHead());
  ArmHeartbeat();
  WatchClient();
}

// A client of the stream sends nothing more: whatever arrives, its end
// above all, ends the stream and gives its slot back.
void EventStream::WatchClient() {
  stream_.socket().async_read_some(net::buffer(in_),
                                   [self = shared_from_this()](beast::error_code, std::size_t) {
                                     self->End();
                                   });
}

void EventStream::End() {
  if (closed_) return;
  closed_ = true;
  heartbeat_.cancel();
  beast::error_code ignored;
  stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
  stream_.socket().close(ignored);
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
  if (s.reading.sequence > sentSequence_) text += ReadingEvent(s, now);
  text += QsoEvents();
  if (!text.empty()) Write(std::move(text));
}

// One "qso" event per QSO stored or filled in since the last one sent, its
// data as the API's QSO object.
std::string EventStream::QsoEvents() {
  if (server_.stationLog == nullptr) return "";
  std::vector<Qso> fresh;
  sentQsos_ = server_.stationLog->Qsos().Since(sentQsos_, fresh);
  std::string text;
  for (const Qso& q : fresh) text += "event: qso\ndata: " + QsoJson(q) + "\n\n";
  return text;
}

// At most one reading per slot of eventGapMs. The slots are the same for
// every stream, so those that wait are all served by one round at the next
// slot's start.
std::string EventStream::ReadingEvent(const Snapshot& s, std::int64_t now) {
  const std::int64_t gap = server_.limits.eventGapMs;
  const std::int64_t slot = now / gap;
  if (slot == lastSlot_) {
    server_.RetryAt((slot + 1) * gap);
    return "";
  }
  if (server_.cachedSequence != s.reading.sequence) {
    server_.cachedSequence = s.reading.sequence;
    server_.cachedReading = "event: reading\nid: " + std::to_string(s.reading.sequence) +
                            "\ndata: " + ReadingJson(s.reading) + "\n\n";
  }
  sentSequence_ = s.reading.sequence;
  lastSlot_ = slot;
  return server_.cachedReading;
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
                     if (ec) return self->End();
                     self->stream_.expires_never();
                     // What came meanwhile goes out with the next round over
                     // all streams, which takes one snapshot for them all.
                     if (self->missed_) {
                       self->missed_ = false;
                       self->server_.RetryAt(SteadyNowMs());
                     }
                   });
}

}  // namespace station
