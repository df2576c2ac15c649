// The reader over the scripted bus: what it shows for each report, in which
// order, and what a failed read shows.
#include <gtest/gtest.h>

#include <vector>

#include "device/reports.h"
#include "measure/fields.h"
#include "measure/reader.h"
#include "tests/device/wait_until.h"
#include "tests/fake_hid_bus.h"
#include "text_recorder.h"

namespace {

using recorder::Update;

TEST(ReaderOnScriptedBus, ShowsEachReportInFieldOrderThenRepeatsTheLastOnFailedReads) {
  fakebus::Reset();
  recorder::Clear();
  // Set up before the reader exists: the reader thread owns the scripted
  // bus from here on.
  fakebus::Bus().reports = {{0, 0, 2, 100, 20, 1, 15, 0, 0},   // sensor 2
                            {0, 0, 7, 255, 0, 24, 10, 0, 0}};  // sensor 7: not shown
  ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
  swr::SetReadHandle(42);
  // Two reports, then failed reads that show the last report again.
  ASSERT_TRUE(testwait::WaitUntil([] { return recorder::Count() >= 17; }));
  swr::CloseReadHandle();
  swr::StopReaderThreadForTests();

  const std::vector<Update> expected = {
      {swr::ActiveSensorField, "2"}, {swr::ForwardField, "100"}, {swr::ReflectedField, "20"},
      {swr::SwrField, "1.5"},        {swr::PowerField, "192.0"}, {swr::ForwardField, "255"},
      {swr::ReflectedField, "0"},    {swr::SwrField, "1.0"},     {swr::PowerField, "54.2"},
      {swr::ForwardField, "255"},    {swr::ReflectedField, "0"}, {swr::SwrField, "1.0"},
      {swr::PowerField, "54.2"},     {swr::ForwardField, "255"}, {swr::ReflectedField, "0"},
      {swr::SwrField, "1.0"},        {swr::PowerField, "54.2"}};
  const std::vector<Update> got = recorder::Updates();
  ASSERT_GE(got.size(), expected.size());
  EXPECT_EQ(std::vector<Update>(got.begin(), got.begin() + expected.size()), expected);
}

TEST(ReaderOnScriptedBus, AFailedFirstReadShowsTheZeroBuffer) {
  fakebus::Reset();
  recorder::Clear();
  ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
  swr::SetReadHandle(42);
  ASSERT_TRUE(testwait::WaitUntil([] { return recorder::Count() >= 4; }));
  swr::CloseReadHandle();
  swr::StopReaderThreadForTests();
  const std::vector<Update> got = recorder::Updates();
  const std::vector<Update> expected = {{swr::ForwardField, "0"},
                                        {swr::ReflectedField, "0"},
                                        {swr::SwrField, "***"},
                                        {swr::PowerField, "***"}};
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(std::vector<Update>(got.begin(), got.begin() + 4), expected);
}

}  // namespace
