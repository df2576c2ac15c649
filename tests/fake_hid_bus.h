// A scriptable HID bus for tests: a list of interfaces with identities and
// open rules, and a record of everything the code under test did to them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "device/bus/hid_bus.h"

namespace fakebus {

struct Interface {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t version = 0;
  bool queryOpens = true;       // an open with no access rights succeeds
  bool readWriteOpens = true;   // an open for reading and writing succeeds
  bool attributesReadable = true;
};

struct Write {
  HidBus::Handle handle;
  std::vector<std::uint8_t> bytes;
};

struct State {
  bool setAvailable = true;  // OpenDeviceSet succeeds
  // The enumeration lists the interfaces (false: as with the enumeration
  // function missing from the system library, it yields none).
  bool interfacesListed = true;
  std::vector<Interface> interfaces;
  // Reports handed out by ReadReport, in order; an empty queue fails the read.
  std::deque<std::vector<std::uint8_t>> reports;
  // How long a read that returns a report takes: 0 as for a report that was
  // already queued, longer as for one the controller sends while the read
  // waits. Taken from `readWaitsMs` while it lasts (one per report), then
  // `readWaitMs`.
  int readWaitMs = 0;
  std::deque<int> readWaitsMs;
  int writeResult = -1;  // -1: report the full length written

  // What happened.
  std::vector<Write> writes;
  std::vector<HidBus::Handle> openHandles;  // opened and not yet closed
  std::vector<HidBus::Handle> closed;       // every close, in order
  std::vector<std::string> opened;          // path of every successful open
  int setsOpen = 0;
  int reads = 0;
  int setsOpened = 0;      // OpenDeviceSet calls that succeeded
  int pathsAsked = 0;      // InterfacePath calls
};

State& Bus();
// Hands a report to the next read; safe while a reader thread is reading.
void QueueReport(const std::vector<std::uint8_t>& report);
int ReadCount();
void Reset();
// A controller with the program's identity at the given path.
Interface Controller(const std::string& path);

}  // namespace fakebus
