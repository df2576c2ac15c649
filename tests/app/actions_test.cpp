// The bytes of every user action's command, and the send buffer's rules:
// what a write clears, and that nothing goes out without a device.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "app/actions.h"
#include "device/commands.h"
#include "device/send_buffer.h"
#include "fake_hid_bus.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Report(std::uint8_t command, std::uint8_t selector, std::uint8_t value) {
  return {0, command, selector, value, 0, 0, 0, 0, 0};
}

// Runs one command through a fresh buffer and a connected controller and
// returns the 9 bytes written.
Bytes Sent(const swr::CommandBytes& command) {
  fakebus::Reset();
  swr::SendBuffer buffer = {};
  swr::PutCommand(buffer, command);
  EXPECT_EQ(swr::SendBufferOn(buffer, 5), swr::SendOutcome::Written);
  EXPECT_EQ(fakebus::Bus().writes.size(), 1u);
  return fakebus::Bus().writes.empty() ? Bytes{} : fakebus::Bus().writes[0].bytes;
}

TEST(Commands, EveryMenuItemSendsItsReport) {
  struct Case {
    int menuId;
    Bytes bytes;
  };
  const Case cases[] = {
      {24, Report(1, 1, 24)}, {29, Report(1, 1, 10)}, {30, Report(1, 1, 3)},
      {27, Report(1, 1, 2)},  {28, Report(1, 1, 1)},  {31, Report(1, 2, 24)},
      {32, Report(1, 2, 10)}, {33, Report(1, 2, 3)},  {90, Report(1, 2, 2)},
      {91, Report(1, 2, 1)},  {92, Report(1, 3, 24)}, {34, Report(1, 3, 10)},
      {35, Report(1, 3, 3)},  {36, Report(1, 3, 2)},  {94, Report(1, 3, 1)},
      {95, Report(3, 1, 0)},  {96, Report(3, 2, 0)},  {97, Report(3, 3, 0)},
  };
  for (const Case& c : cases) {
    const swr::CommandBytes* command = swr::MenuCommand(c.menuId);
    ASSERT_NE(command, nullptr) << "menu item " << c.menuId;
    EXPECT_EQ(Sent(*command), c.bytes) << "menu item " << c.menuId;
  }
  // Items that open windows send nothing by themselves.
  for (int id : {21, 22, 23, 25, 26, 0, 37, 93, 98}) {
    EXPECT_EQ(swr::MenuCommand(id), nullptr) << "menu item " << id;
  }
}

TEST(Commands, ButtonsAndCheckBox) {
  EXPECT_EQ(Sent(*swr::ControlCommand(16)), Report(3, 1, 0));
  EXPECT_EQ(Sent(*swr::ControlCommand(17)), Report(3, 2, 0));
  EXPECT_EQ(Sent(*swr::ControlCommand(18)), Report(3, 3, 0));
  for (int id : {0, 1, 2, 3, 4, 13, 14}) EXPECT_EQ(swr::ControlCommand(id), nullptr);
  EXPECT_EQ(Sent(swr::BlockingCommand(true)), Report(8, 1, 0));
  EXPECT_EQ(Sent(swr::BlockingCommand(false)), Report(8, 2, 0));
}

TEST(Commands, PowerRangeCodes) {
  EXPECT_EQ(swr::PowerRangeCode(50), 24);
  EXPECT_EQ(swr::PowerRangeCode(120), 10);
  EXPECT_EQ(swr::PowerRangeCode(400), 3);
  EXPECT_EQ(swr::PowerRangeCode(600), 2);
  EXPECT_EQ(swr::PowerRangeCode(1200), 1);
  for (int w : {0, 1, 49, 100, 1000, -50}) EXPECT_EQ(swr::PowerRangeCode(w), 0);
  for (const swr::PowerRange& range : swr::kPowerRanges) {
    EXPECT_EQ(range.code, 1200 / range.watts);
  }
}

TEST(Commands, SwrLimitByteGivesEverySliderPositionBack) {
  for (int sensor = 1; sensor <= 3; ++sensor) {
    for (int position = 10; position <= 40; ++position) {
      const float limit = swr::SwrLimitFromPosition(position);
      EXPECT_EQ(Sent(swr::SwrLimitCommand(sensor, limit)),
                Report(2, static_cast<std::uint8_t>(sensor),
                       static_cast<std::uint8_t>(position)))
          << "sensor " << sensor << " position " << position;
    }
    // Accepted before the slider moved: the value is still 0.0.
    EXPECT_EQ(Sent(swr::SwrLimitCommand(sensor, 0.0f)),
              Report(2, static_cast<std::uint8_t>(sensor), 0));
  }
}

TEST(SendDiscipline, WriteClearsBytesOneToEightWhateverTheWriteReturned) {
  for (int writeResult : {-1, 0, 3}) {
    fakebus::Reset();
    fakebus::Bus().writeResult = writeResult;
    swr::SendBuffer buffer = {};
    buffer[9] = 0x5A;  // never touched
    swr::PutCommand(buffer, *swr::MenuCommand(90));
    EXPECT_EQ(swr::SendBufferOn(buffer, 7), swr::SendOutcome::Written);
    ASSERT_EQ(fakebus::Bus().writes.size(), 1u);
    EXPECT_EQ(fakebus::Bus().writes[0].handle, 7);
    EXPECT_EQ(fakebus::Bus().writes[0].bytes, Report(1, 2, 2));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(buffer[i], 0) << "byte " << i;
    EXPECT_EQ(buffer[9], 0x5A);
  }
}

TEST(SendDiscipline, NoDeviceWritesNothingAndLeavesNoStaleBytes) {
  fakebus::Reset();
  swr::SendBuffer buffer = {};
  // "600 Ватт" for sensor 1 with no controller: refused.
  swr::PutCommand(buffer, *swr::MenuCommand(27));
  EXPECT_EQ(swr::SendBufferOn(buffer, 0), swr::SendOutcome::NoDevice);
  EXPECT_TRUE(fakebus::Bus().writes.empty());
  // Then the controller appears and "2 Датчик" is pressed: byte 3 is not the
  // refused command's range code.
  swr::PutCommand(buffer, *swr::ControlCommand(17));
  EXPECT_EQ(swr::SendBufferOn(buffer, 9), swr::SendOutcome::Written);
  ASSERT_EQ(fakebus::Bus().writes.size(), 1u);
  EXPECT_EQ(fakebus::Bus().writes[0].bytes, Report(3, 2, 0));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(buffer[i], 0);
}

TEST(SendDiscipline, CommandsWithoutValueKeepByteThreeOfTheBuffer) {
  // PutCommand itself never clears byte 3 for SelectSensor and SetBlocking:
  // only the send discipline does, so the buffer is all zero between commands.
  swr::SendBuffer buffer = {};
  buffer[3] = 24;
  swr::PutCommand(buffer, swr::BlockingCommand(true));
  EXPECT_EQ(buffer[1], 8);
  EXPECT_EQ(buffer[2], 1);
  EXPECT_EQ(buffer[3], 24);
}

}  // namespace
