// Runs the whole program on the headless toolkit and the fake bus.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "app/link_supervisor.h"
#include "app/program.h"
#include "app/program_state.h"
#include "fake_hid_bus.h"
#include "headless_ui.h"
#include "measure/reader.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes Report(std::uint8_t command, std::uint8_t selector, std::uint8_t value) {
  return {0, command, selector, value, 0, 0, 0, 0, 0};
}

inline swr::LocalTime& TestClock() {
  static swr::LocalTime now{2026, 12, 8, 12, 0, 0};
  return now;
}

class Flow : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Reset();
    fakebus::Reset();
    swr::writeHandle = 0;
    swr::lastPresence = 0;
    swr::SetReadHandle(0);
    TestClock() = {2026, 12, 8, 12, 0, 0};
    swr::SetClock([] { return TestClock(); });
  }
  void TearDown() override {
    swr::StopReaderThreadForTests();
    swr::SetClock(nullptr);
  }

  static void PlugController() {
    fakebus::Bus().interfaces.push_back(fakebus::Controller("controller"));
  }
  static void UnplugController() { fakebus::Bus().interfaces.clear(); }

  // Runs the program through the script queued so far, closing the main
  // window at its end.
  void Run() {
    headless::CloseBox(1);
    EXPECT_EQ(swr::RunProgram(), 0);
    EXPECT_FALSE(headless::Ui().scriptRanDry) << "the script ended before the program did";
  }

  static std::vector<Bytes> Writes() {
    std::vector<Bytes> out;
    for (const fakebus::Write& w : fakebus::Bus().writes) out.push_back(w.bytes);
    return out;
  }

  // Waits (bounded) until a control shows `text`.
  static bool WaitForText(int id, const std::string& text) {
    for (int i = 0; i < 200; ++i) {
      if (headless::ControlOf(id).text == text) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};
