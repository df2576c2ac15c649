// The connections' share of the server's slots (see shares.h).
#include "station/http/shares.h"

namespace station {

// Outlives the server while a connection's handlers are still queued.
struct Shares::State {
  int maxConnections = 0;
  int maxStreams = 0;
  int open = 0;
  int streams = 0;
  // Connections that wait, the longest waiting first.
  std::list<Slot*> waiting;
};

Shares::Shares(int maxConnections, int maxStreams) : state_(std::make_shared<State>()) {
  state_->maxConnections = maxConnections;
  state_->maxStreams = maxStreams;
}

Shares::Slot::Slot(std::shared_ptr<State> state) : state_(std::move(state)) { ++state_->open; }

Shares::Slot::~Slot() {
  Settled();
  --state_->open;
  if (stream_) --state_->streams;
}

void Shares::Slot::Waiting(std::function<void()> evict) {
  Settled();
  evict_ = std::move(evict);
  entry_ = state_->waiting.insert(state_->waiting.end(), this);
}

void Shares::Slot::Settled() {
  if (!evict_) return;
  state_->waiting.erase(entry_);
  evict_ = nullptr;
}

void Shares::Slot::Stream() {
  if (stream_) return;
  Settled();
  stream_ = true;
  ++state_->streams;
}

std::unique_ptr<Shares::Slot> Shares::Enter() {
  State& s = *state_;
  if (s.open >= s.maxConnections) {
    if (s.waiting.empty()) return nullptr;
    // The evicted connection gives its slot back once its handlers end
    // (at once, or after a 503 bounded by the write deadline); until then
    // the count is over by the connections that are on their way out.
    Slot* longest = s.waiting.front();
    const std::function<void()> evict = longest->evict_;
    longest->Settled();
    evict();
  }
  return std::unique_ptr<Slot>(new Slot(state_));
}

int Shares::Open() const { return state_->open; }

bool Shares::StreamsFull() const { return state_->streams >= state_->maxStreams; }

}  // namespace station
