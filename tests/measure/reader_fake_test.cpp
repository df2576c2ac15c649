// The reader over the scripted bus: what it shows for each report, in which
// order, and what a failed read shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "device/reports.h"
#include "measure/fields.h"
#include "measure/reader.h"
#include "measure/reader_test_hooks.h"
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
  // Each report arrives while its read waits, so each is the newest.
  fakebus::Bus().readWaitMs = 5;
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

// Reports that queued up before a pass are all read in that pass, which
// ends on the newest; the report after them comes while a read waits.
std::atomic<int> readsAtPass[3];
std::atomic<int> pass{0};
void NoteReadsAtPass() {
  const int p = pass++;
  if (p < 3) readsAtPass[p] = fakebus::ReadCount();
}

TEST(ReaderOnScriptedBus, QueuedReportsAreReadInOnePass) {
  const std::vector<std::vector<std::uint8_t>> reports = {
      {0, 0, 1, 10, 0, 1, 10, 0, 0}, {0, 0, 1, 11, 0, 1, 10, 0, 0}, {0, 0, 1, 12, 0, 1, 10, 0, 0},
      {0, 0, 1, 13, 0, 1, 10, 0, 0}, {0, 0, 3, 14, 0, 1, 10, 0, 0}, {0, 0, 2, 15, 0, 1, 10, 0, 0}};
  // A queued read that the machine happens to hold up looks like a wait and
  // ends the pass early; such a run is repeated.
  for (int attempt = 0; attempt < 3; ++attempt) {
    fakebus::Reset();
    recorder::Clear();
    pass = 0;
    fakebus::Bus().reports = {reports.begin(), reports.end()};
    fakebus::Bus().readWaitsMs = {0, 0, 0, 0};  // four queued, then each comes while read
    fakebus::Bus().readWaitMs = 5;
    swr::SetHandleTakenHookForTests(NoteReadsAtPass);
    ASSERT_TRUE(swr::StartReaderThread(recorder::Sink));
    swr::SetReadHandle(42);
    ASSERT_TRUE(testwait::WaitUntil([] { return pass.load() >= 3; }));
    swr::CloseReadHandle();
    swr::StopReaderThreadForTests();
    swr::SetHandleTakenHookForTests(nullptr);
    if (readsAtPass[1] == 5) break;
  }
  EXPECT_EQ(readsAtPass[0], 0);
  EXPECT_EQ(readsAtPass[1], 5);  // the four queued and the one that came
  EXPECT_EQ(readsAtPass[2], 6);
  // The first pass ended on the newest, sensor 3 and forward 14.
  std::vector<std::string> forward;
  for (const Update& u : recorder::Updates()) {
    if (u.first == swr::ForwardField) forward.push_back(u.second);
  }
  ASSERT_GE(forward.size(), 2u);
  EXPECT_EQ(forward.back(), "15");
  EXPECT_NE(std::find(forward.begin(), forward.end(), "14"), forward.end());
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
