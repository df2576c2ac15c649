// The two 9-byte reports exchanged with the controller and its identity.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace swr {

// Every transfer is the report-ID byte (0: the controller uses unnumbered
// reports) followed by 8 data bytes.
constexpr std::size_t kReportSize = 9;

constexpr std::uint16_t ControllerVendorId = 0xAAAB;
constexpr std::uint16_t ControllerProductId = 0xEF02;

// What the controller sends. Byte 0 is the report ID as the OS delivers it
// and is never examined; bytes 1, 7 and 8 are not used.
using InputReport = std::array<std::uint8_t, kReportSize>;

namespace input {
constexpr std::size_t activeSensor = 2;
constexpr std::size_t forwardLevel = 3;
constexpr std::size_t reflectedLevel = 4;
constexpr std::size_t powerDivisor = 5;
constexpr std::size_t swrTenths = 6;
}  // namespace input

// What the program writes: byte 0 always 0, then command, selector, value,
// and five zero bytes.
using CommandReport = std::array<std::uint8_t, kReportSize>;

namespace command {
constexpr std::size_t code = 1;
constexpr std::size_t selector = 2;
constexpr std::size_t value = 3;
}  // namespace command

enum class CommandCode : std::uint8_t {
  SetPowerRange = 1,
  SetMaxSwr = 2,
  SelectSensor = 3,
  SetBlocking = 8,
};

// Selector of SetBlocking.
constexpr std::uint8_t kBlockingOn = 1;
constexpr std::uint8_t kBlockingOff = 2;

}  // namespace swr
