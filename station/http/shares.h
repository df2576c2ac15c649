// How the connections share the server's slots, so that anonymous slow
// clients cannot lock out the ones that carry the token or open an event
// stream. Of maxConnections, at most maxAnonymous go to connections as they
// come. Beyond that share a new connection is let in on probation: it must
// send a request with the token, or for the event stream, within a short
// time (the session's header deadline), or it gets 503. When every slot is
// taken, the oldest connection still on probation makes room for the new
// one; when none is, the new one gets 503 at once.
#pragma once

#include <functional>
#include <list>
#include <memory>

namespace swrctl {

class Shares {
  struct State;

 public:
  Shares(int maxConnections, int maxAnonymous);

  // Held by a connection (its session, then its event stream) for as long
  // as it is open.
  class Slot {
   public:
    ~Slot();
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    bool OnProbation() const { return probation_; }
    // While on probation and still reading its request: `evict` ends the
    // connection when a newer one needs its slot.
    void Evictable(std::function<void()> evict);
    // The request is in: on probation no longer evictable.
    void Settled();

   private:
    friend class Shares;
    Slot(std::shared_ptr<State> state, bool probation);
    std::shared_ptr<State> state_;
    bool probation_;
    std::function<void()> evict_;  // set while evictable
    std::list<Slot*>::iterator entry_;
  };

  // A slot for a new connection; nullptr when there is none (503).
  std::unique_ptr<Slot> Enter();

  int Open() const;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace swrctl
