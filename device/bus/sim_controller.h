// The built-in controller of the demo executables and the tests: an
// in-process model of the device (sim_model.cpp) on a simulated HID bus
// (hid_bus_sim.cpp).
//
// At program start the bus holds one controller at interface 0, plugged in,
// sending 25 reports a second with its default settings, behind a station at
// work (Keying::Overs); the demo needs no call from the program. Tests drive
// and inspect it through these functions.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

namespace SimBus {

struct Identity {
  std::uint16_t vendorId, productId, version;
};

// What the controller keeps in its non-volatile memory. Arrays are indexed
// by sensor number - 1.
struct Settings {
  std::uint8_t activeSensor;
  std::uint8_t powerRangeCode[3];
  std::uint8_t swrLimit[3];
  bool blocking;
};

// The input report the controller sends carries, besides the fields the
// program reads: byte 7 = 1 while the blocking output is active (blocking on
// and the active sensor's SWR above its limit), byte 8 = the low byte of the
// report's sequence number.
constexpr std::size_t kBlockingByte = 7;
constexpr std::size_t kSequenceByte = 8;

// Reports queued per open handle when nobody reads them; older ones are
// dropped, as a HID stack does.
constexpr std::size_t kQueueDepth = 32;

// What the transmitter behind the controller does. The controller reports at
// its rate whatever it does; while nothing is sent, the forward level rests
// at a few counts (0.0 W).
enum class Keying {
  Overs,    // a station at work: overs of a few seconds to a minute (voice,
            // FT8-like 13 s every 15 s, CW) with pauses between them
  Carrier,  // transmits all the time, its output drifting
  Idle,     // never transmits
};

// One controller at interface 0, plugged, 25 reports/s, default settings, a
// steady carrier (Keying::Carrier, what the tests measure against), no other
// devices. Every handle open before is dead afterwards.
void Reset();
// Changes what the transmitter does from the next report on.
void SetKeying(Keying keying);
// Plugs or unplugs the controller. Unplugging kills its open handles (their
// reads and writes fail at once, also after it is plugged in again).
void SetPlugged(bool plugged);
bool IsPlugged();
// Appends another device (a second controller when it has the controller's
// identity, which then behaves as one); returns its interface index.
int AddInterface(Identity identity, bool readWriteOpens = true);
// Puts the controller at interface `index`, filling the indices before it
// with devices of other identities.
void SetControllerIndex(int index);
// Opens of the controller for reading and writing fail; query opens work.
void SetOpenFails(bool fails);
// Reads on the controller fail at once.
void SetReadFails(bool fails);
// Reports per second; 0 = the controller stops sending (reads wait).
void SetReportRate(int perSecond);

// The demo's transceiver behind the controller: unkeyed, the detectors are
// at rest (a few counts, SWR 1.0); antennaSwr > 0 replaces the active sensor's built-in antenna match.
// Keyed with the built-in match (true, 0) until called.
void SetTransmitter(bool keyed, double antennaSwr);

// Every 9-byte report written to the controller, in order.
std::vector<std::array<std::uint8_t, 9>> ReceivedCommands();
// The same for the device at interface `index` (as returned by AddInterface).
std::vector<std::array<std::uint8_t, 9>> ReceivedCommands(int index);
void ClearReceivedCommands();
Settings ControllerSettings();

// Instrumentation for tests and the benchmark.
struct Delivery {
  std::uint64_t sequence = 0;  // 0: nothing delivered yet
  std::chrono::steady_clock::time_point produced;
};
// The report most recently returned by a read, with the time the controller
// produced it.
Delivery LastDelivered();
// Reads now waiting for a report.
int BlockedReads();
// Handles open now (of any device, any access).
int OpenHandles();
// Reads or writes issued on a handle value that was never open or is
// already closed, and closes of a handle a read is still inside: each one is
// a fault of the caller.
std::uint64_t StaleHandleUses();

}  // namespace SimBus
