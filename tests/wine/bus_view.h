// How a stand-in library reaches the virtual bus: the driver's mapping and
// lock, opened on first use. Without a driver the bus is simply empty.
#pragma once

#include "bus_layout.h"

namespace swrbus {

// The shared state, or nullptr when no driver runs.
State* View();

// Holds the bus lock for a scope (a bounded wait: a stuck driver must not
// hang the program under test).
class Locked {
 public:
  Locked();
  ~Locked();
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  HANDLE mutex_;
  bool held_;
};

}  // namespace swrbus
