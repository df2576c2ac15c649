// Flow tests of the maximum-SWR dialogs and the About windows on the headless
// toolkit: what each shows, what it sends, and what happens to the main
// window's events meanwhile.
#include "app/main_window.h"
#include "flow_fixture.h"

namespace {

using headless::ControlOf;

struct DialogIds {
  int menu, window, caption, slider, field, accept;
};
const DialogIds kDialogs[3] = {
    {21, 4, 41, 42, 43, 44}, {22, 5, 51, 52, 53, 54}, {23, 6, 61, 62, 63, 64}};

TEST_F(Flow, SwrDialogOpensFreshAndSendsTheSliderPosition) {
  PlugController();
  for (int s = 0; s < 3; ++s) {
    const DialogIds d = kDialogs[s];
    const auto sensor = static_cast<std::uint8_t>(s + 1);
    // Untouched slider: the value is still 0.0.
    headless::ChooseMenu(d.menu);
    headless::Do([d] {
      const headless::Window w = headless::WindowOf(d.window);
      EXPECT_TRUE(w.visible);
      EXPECT_EQ(w.clientWidth, 300);
      EXPECT_EQ(w.clientHeight, 200);
      EXPECT_EQ(w.x, 497);
      EXPECT_EQ(w.style, ui::WindowStyle::Fixed);
      EXPECT_EQ(ControlOf(d.slider).trackPos, 10);
      EXPECT_EQ(ControlOf(d.slider).trackMin, 10);
      EXPECT_EQ(ControlOf(d.slider).trackMax, 40);
      EXPECT_EQ(ControlOf(d.field).text, "0.0");
      EXPECT_EQ(ControlOf(d.field).kind, ui::ControlKind::EditUppercase);
    });
    headless::Click(d.accept);
    headless::Do([d, sensor] {
      EXPECT_FALSE(headless::WindowOf(d.window).visible);
      ASSERT_FALSE(fakebus::Bus().writes.empty());
      EXPECT_EQ(fakebus::Bus().writes.back().bytes, Report(2, sensor, 0));
    });
    for (int position : {10, 23, 40}) {
      const std::string shown = std::to_string(position / 10) + "." + std::to_string(position % 10);
      headless::ChooseMenu(d.menu);
      headless::MoveSlider(d.slider, position);
      headless::Do([d, shown] {
        EXPECT_EQ(ControlOf(d.field).text, shown);
        EXPECT_EQ(ControlOf(d.field).kind, ui::ControlKind::Edit);
      });
      headless::Click(d.accept);
      headless::Do([sensor, position] {
        EXPECT_EQ(fakebus::Bus().writes.back().bytes,
                  Report(2, sensor, static_cast<std::uint8_t>(position)));
      });
    }
  }
  Run();
  EXPECT_EQ(Writes().size(), 12u);
}

TEST_F(Flow, SwrDialogCloseBoxSendsNothingAndReopeningStartsAfresh) {
  PlugController();
  headless::ChooseMenu(21);
  headless::MoveSlider(42, 33);
  headless::CloseBox(4);
  headless::Do([] { EXPECT_FALSE(headless::WindowOf(4).visible); });
  headless::ChooseMenu(21);
  headless::Do([] {
    EXPECT_TRUE(headless::WindowOf(4).visible);
    EXPECT_EQ(ControlOf(42).trackPos, 10);
    EXPECT_EQ(ControlOf(43).text, "0.0");
  });
  headless::Click(44);
  Run();
  ASSERT_EQ(Writes().size(), 1u);
  EXPECT_EQ(Writes()[0], Report(2, 1, 0));
}

TEST_F(Flow, SwrDialogWithoutControllerShowsTheBoxThenHides) {
  headless::ChooseMenu(22);
  headless::MoveSlider(52, 25);
  headless::Click(54);
  headless::Do([] {
    EXPECT_FALSE(headless::WindowOf(5).visible);
    ASSERT_EQ(headless::Ui().errorBoxes.size(), 1u);
    EXPECT_EQ(headless::Ui().errorBoxes[0].text, "Устройство неподключено");
  });
  Run();
  EXPECT_TRUE(Writes().empty());
}

TEST_F(Flow, MainWindowEventsAreDroppedWhileASecondaryWindowIsOpen) {
  PlugController();
  for (int menu : {21, 25, 26}) {
    headless::ChooseMenu(menu);
    headless::Do([] { TestClock() = {2026, 12, 8, 12, 30, 0}; });
    headless::Click(16);
    headless::Click(13);  // toggles its mark, sends nothing
    headless::ChooseMenu(24);
    headless::ChooseMenu(22);  // would open another dialog
    headless::Tick();
    headless::Do([] {
      EXPECT_TRUE(fakebus::Bus().writes.empty());
      EXPECT_EQ(headless::WindowOf(swr::MainWindow).status[0], "12:00:00")
          << "the clock stands still";
      EXPECT_FALSE(headless::HasWindow(5));
    });
    headless::CloseBox(1);  // the main window's close box closes only this window
    headless::Do([] { EXPECT_TRUE(headless::WindowOf(swr::MainWindow).visible); });
    headless::Tick();
    headless::Do([] {
      EXPECT_EQ(headless::WindowOf(swr::MainWindow).status[0], "12:30:00");
      TestClock() = {2026, 12, 8, 12, 0, 0};
    });
    headless::Tick();
  }
  headless::Do([] { EXPECT_EQ(ControlOf(13).check, 1); });  // toggled three times
  Run();
  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(headless::Ui().errorBoxes.empty());
}

TEST_F(Flow, AboutWindowsShowTheirTexts) {
  headless::ChooseMenu(25);
  headless::Do([] {
    const headless::Window w = headless::WindowOf(2);
    EXPECT_EQ(w.title, "О программе");
    EXPECT_TRUE(w.visible);
    const std::string text = ControlOf(21).text;
    EXPECT_EQ(text.rfind("Программа предназначена для индикации КСВ", 0), 0u);
    EXPECT_NE(text.find("энерго-независимаю память"), std::string::npos);
    EXPECT_NE(text.find("компьютером ,так и автономно."), std::string::npos);
  });
  headless::CloseBox(2);
  headless::ChooseMenu(26);
  headless::Do([] {
    const headless::Window w = headless::WindowOf(3);
    EXPECT_EQ(w.title, "О Авторе");
    EXPECT_EQ(ControlOf(31).text, "VELTAR ");
    EXPECT_FALSE(ControlOf(32).text.empty());
    EXPECT_FALSE(ControlOf(35).text.empty());
    EXPECT_EQ(ControlOf(34).text, "Почта:");
    EXPECT_EQ(ControlOf(33).kind, ui::ControlKind::Edit);
    EXPECT_EQ(w.controlOrder, (std::vector<int>{31, 32, 35, 33, 34}));
  });
  headless::Click(33);  // clicks in the window end nothing
  headless::Do([] { EXPECT_TRUE(headless::WindowOf(3).visible); });
  headless::CloseBox(3);
  headless::Do([] { EXPECT_FALSE(headless::WindowOf(3).visible); });
  Run();
}

}  // namespace
