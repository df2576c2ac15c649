// The connections' share of the server's slots (see shares.h).
#include "station/http/shares.h"

namespace swrctl {

// Outlives the server while a connection's handlers are still queued.
struct Shares::State {
  int maxConnections = 0;
  int maxAnonymous = 0;
  int open = 0;
  int anonymous = 0;
  // Connections on probation that are still reading, oldest first.
  std::list<Slot*> evictable;
};

Shares::Shares(int maxConnections, int maxAnonymous) : state_(std::make_shared<State>()) {
  state_->maxConnections = maxConnections;
  state_->maxAnonymous = maxAnonymous;
}

Shares::Slot::Slot(std::shared_ptr<State> state, bool probation)
    : state_(std::move(state)), probation_(probation) {
  ++state_->open;
  if (!probation_) ++state_->anonymous;
}

Shares::Slot::~Slot() {
  Settled();
  --state_->open;
  if (!probation_) --state_->anonymous;
}

void Shares::Slot::Evictable(std::function<void()> evict) {
  if (!probation_ || evict_) return;
  evict_ = std::move(evict);
  entry_ = state_->evictable.insert(state_->evictable.end(), this);
}

void Shares::Slot::Settled() {
  if (!evict_) return;
  state_->evictable.erase(entry_);
  evict_ = nullptr;
}

std::unique_ptr<Shares::Slot> Shares::Enter() {
  State& s = *state_;
  if (s.open < s.maxConnections && s.anonymous < s.maxAnonymous) {
    return std::unique_ptr<Slot>(new Slot(state_, false));
  }
  if (s.open >= s.maxConnections) {
    if (s.evictable.empty()) return nullptr;
    // The evicted connection gives its slot back once its handlers end;
    // until then the count is one over, at most once per evictable one.
    Slot* oldest = s.evictable.front();
    const std::function<void()> evict = oldest->evict_;
    oldest->Settled();
    evict();
  }
  return std::unique_ptr<Slot>(new Slot(state_, true));
}

int Shares::Open() const { return state_->open; }

}  // namespace swrctl
