// How the connections share the server's slots, so that connections that
// hold a slot without using it cannot lock out the ones that do. Every
// connection takes one of maxConnections slots. One that is waiting (for
// its request to arrive whole, the first or the next on a kept-alive
// connection, or for its client to close after the last answer) is
// evictable: when a new connection finds every slot taken, the one that has
// waited longest makes room. So a request that arrives whole is served
// while sockets that trickle their headers lose their slots. Event streams
// are never evicted, and at most maxStreams of them are open, so the rest
// of the slots stay for the page, the API and /metrics. When every slot is
// held by a stream or a request being answered, the new one gets 503.
#pragma once

#include <functional>
#include <list>
#include <memory>

namespace station {

class Shares {
  struct State;

 public:
  Shares(int maxConnections, int maxStreams);

  // Held by a connection (its session, then its event stream) for as long
  // as it is open.
  class Slot {
   public:
    ~Slot();
    Slot(const Slot&) = delete;
    Slot& operator=(const Slot&) = delete;
    // Waiting from now on: `evict` ends the connection when a newer one
    // needs the slot and this one has waited longest. Called again, the
    // wait starts anew (at the back of the queue).
    void Waiting(std::function<void()> evict);
    // Busy (its request is in): not evictable until it waits again.
    void Settled();
    // An event stream from now on, counted against maxStreams (a new one
    // is refused before this while StreamsFull).
    void Stream();

   private:
    friend class Shares;
    explicit Slot(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
    bool stream_ = false;
    std::function<void()> evict_;  // set while waiting
    std::list<Slot*>::iterator entry_;
  };

  // A slot for a new connection, made by evicting the connection that has
  // waited longest when every slot is taken; nullptr when none waits (503).
  std::unique_ptr<Slot> Enter();

  int Open() const;
  bool StreamsFull() const;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace station
