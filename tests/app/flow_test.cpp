// Flow tests of the panel on the headless toolkit and the scripted bus:
// start-up with and without the controller, every action's report, plug and
// unplug, the live values and the status bar's clock.
#include <functional>

#include "app/main_window.h"
#include "flow_fixture.h"

namespace {

using headless::ControlOf;

TEST_F(Flow, StartWithoutController) {
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "Устройство неподключено");
    for (int id : {1, 2, 3, 4, 14}) EXPECT_EQ(ControlOf(id).text, "") << "field " << id;
    const headless::Window w = headless::WindowOf(swr::MainWindow);
    EXPECT_EQ(w.status[0], "12:00:00");
    EXPECT_EQ(w.status[1], "08.12.2026");
    EXPECT_EQ(w.timers.at(1), 200);
    EXPECT_EQ(swr::writeHandle, 0);
    EXPECT_EQ(swr::ReadHandle(), 0);
  });
  Run();
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(headless::Ui().shutDown);
}

TEST_F(Flow, StartWithControllerOpensWriterThenReaderAndClearsNotice) {
  PlugController();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "");
    EXPECT_NE(swr::writeHandle, 0);
    EXPECT_NE(swr::ReadHandle(), 0);
    EXPECT_LT(swr::writeHandle, swr::ReadHandle()) << "the writer is opened first";
    EXPECT_EQ(fakebus::Bus().openHandles.size(), 2u);
  });
  Run();
  EXPECT_TRUE(Writes().empty()) << "nothing is sent on the way in or out";
}

struct Action {
  const char* name;
  std::function<void()> act;
  Bytes bytes;
};

std::vector<Action> EveryAction() {
  using headless::ChooseMenu;
  using headless::Click;
  std::vector<Action> actions = {
      {"Sensor1Button", [] { Click(16); }, Report(3, 1, 0)},
      {"Sensor2Button", [] { Click(17); }, Report(3, 2, 0)},
      {"Sensor3Button", [] { Click(18); }, Report(3, 3, 0)},
      {"Blocking ticked", [] { Click(13); }, Report(8, 1, 0)},
      {"Blocking cleared", [] { Click(13); }, Report(8, 2, 0)},
      {"Sensors > 1", [] { ChooseMenu(95); }, Report(3, 1, 0)},
      {"Sensors > 2", [] { ChooseMenu(96); }, Report(3, 2, 0)},
      {"Sensors > 3", [] { ChooseMenu(97); }, Report(3, 3, 0)},
  };
  const int items[3][5] = {{24, 29, 30, 27, 28}, {31, 32, 33, 90, 91}, {92, 34, 35, 36, 94}};
  const std::uint8_t codes[5] = {24, 10, 3, 2, 1};
  for (int s = 0; s < 3; ++s) {
    for (int w = 0; w < 5; ++w) {
      const int item = items[s][w];
      actions.push_back({"power item", [item] { ChooseMenu(item); },
                         Report(1, static_cast<std::uint8_t>(s + 1), codes[w])});
    }
  }
  return actions;
}

TEST_F(Flow, EveryActionWritesItsReportAndClearsTheBuffer) {
  PlugController();
  const std::vector<Action> actions = EveryAction();
  for (const Action& action : actions) {
    action.act();
    headless::Do([&action] {
      ASSERT_FALSE(fakebus::Bus().writes.empty()) << action.name;
      EXPECT_EQ(fakebus::Bus().writes.back().bytes, action.bytes) << action.name;
      EXPECT_EQ(fakebus::Bus().writes.back().handle, swr::writeHandle) << action.name;
      for (int i = 0; i < 10; ++i) EXPECT_EQ(swr::sendBuffer[i], 0) << action.name;
      fakebus::Bus().writes.clear();
    });
  }
  Run();
  EXPECT_TRUE(headless::Ui().errorBoxes.empty());
}

TEST_F(Flow, WithoutControllerEveryActionShowsTheBoxOnceAndWritesNothing) {
  const std::vector<Action> actions = EveryAction();
  for (const Action& action : actions) {
    action.act();
    headless::Do([&action] {
      ASSERT_EQ(headless::Ui().errorBoxes.size(), 1u) << action.name;
      EXPECT_EQ(headless::Ui().errorBoxes[0].text, "Устройство неподключено");
      EXPECT_EQ(headless::Ui().errorBoxes[0].caption, "Ксв метр");
      headless::Ui().errorBoxes.clear();
    });
  }
  Run();
  EXPECT_TRUE(Writes().empty());
}

TEST_F(Flow, SensorChoiceShowsAtOnceWhateverTheOutcome) {
  headless::Click(17);
  headless::Do([] { EXPECT_EQ(ControlOf(swr::ActiveSensorField).text, "2"); });
  headless::ChooseMenu(97);
  headless::Do([] { EXPECT_EQ(ControlOf(swr::ActiveSensorField).text, "3"); });
  Run();
}

TEST_F(Flow, RefusedCommandLeavesNothingForTheNextOne) {
  headless::ChooseMenu(24);  // "50 Ватт" for sensor 1, no controller
  headless::Do([] { PlugController(); });
  headless::Tick();
  headless::Click(16);
  Run();
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0], Report(3, 1, 0));
  EXPECT_EQ(headless::Ui().errorBoxes.size(), 1u);
}

TEST_F(Flow, PlugUnplugReplug) {
  headless::Do([] { PlugController(); });
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "");
    EXPECT_NE(swr::writeHandle, 0);
    EXPECT_NE(swr::ReadHandle(), 0);
    UnplugController();
  });
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "Устройство неподключено");
    EXPECT_EQ(swr::writeHandle, 0);
    EXPECT_EQ(swr::ReadHandle(), 0);
    const auto& closed = fakebus::Bus().closed;
    ASSERT_GE(closed.size(), 2u);
    // Reader closed first, then the writer (the writer has the lower handle).
    EXPECT_GT(closed[closed.size() - 2], closed.back());
    EXPECT_TRUE(fakebus::Bus().openHandles.empty());
  });
  headless::Click(16);  // refused: the message box
  headless::Do([] { PlugController(); });
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "");
    EXPECT_EQ(fakebus::Bus().openHandles.size(), 2u);
  });
  headless::Click(17);
  Run();
  EXPECT_EQ(headless::Ui().errorBoxes.size(), 1u);
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0], Report(3, 2, 0));
}

TEST_F(Flow, ControllerThatCannotBeOpenedKeepsTheNoticeAndIsRetried) {
  fakebus::Interface controller = fakebus::Controller("locked");
  controller.readWriteOpens = false;
  fakebus::Bus().interfaces.push_back(controller);
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "Устройство неподключено");
    EXPECT_EQ(swr::writeHandle, 0);
    EXPECT_EQ(swr::ReadHandle(), 0);
    EXPECT_TRUE(fakebus::Bus().openHandles.empty());
    fakebus::Bus().interfaces[0].readWriteOpens = true;  // e.g. permission granted
  });
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(ControlOf(swr::DeviceNoticeText).text, "");
    EXPECT_NE(swr::writeHandle, 0);
  });
  Run();
}

TEST_F(Flow, LiveValuesFollowTheControllerAndStayAfterUnplug) {
  PlugController();
  fakebus::QueueReport({0, 0, 2, 100, 20, 1, 15, 0, 0});
  headless::Do([] {
    EXPECT_TRUE(WaitForText(swr::PowerField, "192.0"));
    EXPECT_EQ(ControlOf(swr::ActiveSensorField).text, "2");
    EXPECT_EQ(ControlOf(swr::ForwardField).text, "100");
    EXPECT_EQ(ControlOf(swr::ReflectedField).text, "20");
    EXPECT_EQ(ControlOf(swr::SwrField).text, "1.5");
    UnplugController();
  });
  headless::Tick();
  headless::Do([] {
    EXPECT_EQ(swr::ReadHandle(), 0);
    EXPECT_EQ(ControlOf(swr::PowerField).text, "192.0");
    EXPECT_EQ(ControlOf(swr::SwrField).text, "1.5");
  });
  Run();
}

TEST_F(Flow, ClockAcrossMidnightAndLeadingZeros) {
  struct Case {
    swr::LocalTime time;
    const char* clock;
    const char* date;
  };
  const Case cases[] = {
      {{2026, 12, 31, 23, 59, 59}, "23:59:59", "31.12.2026"},
      {{2027, 1, 1, 0, 0, 0}, "00:00:00", "01.01.2027"},
      {{2027, 2, 3, 9, 5, 7}, "09:05:07", "03.02.2027"},
  };
  for (const Case& c : cases) {
    headless::Do([&c] { TestClock() = c.time; });
    headless::Tick();
    headless::Do([&c] {
      const headless::Window w = headless::WindowOf(swr::MainWindow);
      EXPECT_EQ(w.status[0], c.clock);
      EXPECT_EQ(w.status[1], c.date);
    });
  }
  Run();
}

TEST_F(Flow, StatusBarIsCreatedOnceAndUpdated) {
  for (int i = 0; i < 10; ++i) headless::Tick();
  headless::Do([] {
    const headless::Window w = headless::WindowOf(swr::MainWindow);
    EXPECT_EQ(w.statusBarCreations, 1);
    EXPECT_EQ(w.statusMinHeight, 18);
  });
  Run();
}

TEST_F(Flow, CloseEndsTheProgramOnTheFirstCloseEvent) {
  PlugController();
  headless::CloseBox(1);
  headless::Click(16);  // never reached
  EXPECT_EQ(swr::RunProgram(), 0);
  EXPECT_TRUE(Writes().empty());
}

}  // namespace
