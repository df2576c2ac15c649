// The FLTK toolkit on a real X display (tests/fltk/with_xvfb.sh provides
// one): geometry below the menu bar, texts, fonts, the trackbar, the menu's
// identifiers, focus order, keyboard and close box, cross-thread updates and
// the error box. Mouse and keys come from xdotool, the close box from
// wm_close.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "ui/ui.h"
#include "ui/fltk/ui_fltk_access.h"

// Last: fl_draw.H brings in the X11 headers and their macros.
#include <FL/Fl.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

namespace {

using ui::ControlKind;
using ui::EventKind;

constexpr int kWin = 7;
constexpr int kWatchdog = 900;

// Runs a shell command beside the user-interface thread, which goes on
// waiting for events meanwhile; the destructor waits for the command.
class Background {
 public:
  explicit Background(std::string command)
      : thread_([this, command] {
          (void)!std::system(command.c_str());
          done_.store(true);
        }) {}
  ~Background() { thread_.join(); }
  bool done() const { return done_.load(); }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

std::string Hex(unsigned long xid) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", xid);
  return text;
}

// Waits for an event of `kind` and `id`, at most `ms` milliseconds; other
// events are dropped.
bool WaitFor(EventKind kind, int id, int ms) {
  // Nothing is queued that the test still wants (events only arrive while
  // waiting), but a stale watchdog tick may be.
  ui_fltk::DiscardPendingEvents();
  ui::StartTimer(kWin, kWatchdog, ms);
  for (;;) {
    const ui::Event e = ui::WaitEvent();
    if (e.kind == EventKind::Timer && e.id == kWatchdog) return false;
    if (e.kind == kind && e.id == id) return true;
  }
}

// Lets the window appear and settle for `ms` milliseconds.
void Settle(int ms = 200) { WaitFor(EventKind::Timer, -1, ms); }

// Runs a command while handling events, however long the command takes on a
// busy machine (at most 10 s), then lets its input settle; returns the
// events produced meanwhile.
std::vector<ui::Event> RunCommand(const std::string& command, int settleMs = 150) {
  std::vector<ui::Event> seen;
  ui_fltk::DiscardPendingEvents();
  Background background(command);
  ui::StartTimer(kWin, kWatchdog, 20);
  int waited = 0, settled = 0;
  while (settled < settleMs) {
    const ui::Event e = ui::WaitEvent();
    if (e.kind != EventKind::Timer || e.id != kWatchdog) {
      seen.push_back(e);
    } else if (!background.done() && waited < 10000) {
      waited += 20;
    } else {
      settled += 20;
    }
  }
  return seen;
}

class FltkToolkit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ui::Init(); }
  void SetUp() override {
    ASSERT_TRUE(ui::CreateWindow(kWin, "toolkit test", ui::WindowStyle::Main, 40, 40, 565, 404));
  }
  void TearDown() override {
    ui::DestroyWindow(kWin);
    ui_fltk::DiscardPendingEvents();
  }
  std::string Xid() const { return Hex(ui_fltk::XidOf(kWin)); }
  // Clicks the middle of a control.
  std::string ClickAt(int id) const {
    Fl_Widget* w = ui_fltk::ControlOf(id);
    return "xdotool mousemove --window " + Xid() + " " + std::to_string(w->x() + w->w() / 2) + " " +
           std::to_string(w->y() + w->h() / 2) + " click 1";
  }
};

const ui::MenuEntry kMenu[] = {
    {0, "Настройки", 0}, {1, "Максимальное КСВ", 0}, {2, "1 Датчик", 21}, {2, "2 Датчик", 22},
    {1, "Максимальная мощность", 0}, {2, "3 Датчик", 0}, {3, "1200 Ватт", 94},
    {0, "Датчики", 0}, {1, "3 Датчик", 97}, {0, "Общее", 0}, {1, "О Авторе", 26},
};

TEST_F(FltkToolkit, MenuBarTakesItsHeightFromTheClientArea) {
  ASSERT_TRUE(ui::CreateControl(kWin, 0, ControlKind::StaticLeft, {280, 10, 100, 30}, "before the menu"));
  ASSERT_TRUE(ui::SetMenu(kWin, kMenu, sizeof kMenu / sizeof kMenu[0]));
  ASSERT_TRUE(ui::CreateControl(kWin, 4, ControlKind::ReadOnlyEdit, {50, 320, 30, 40}, ""));
  ui::EnsureStatusBar(kWin, 18);
  Settle();

  Fl_Window* win = ui_fltk::WindowOf(kWin);
  const int bar = ui_fltk::MenuBarOf(kWin)->h();
  EXPECT_EQ(565, win->w());
  EXPECT_EQ(404, win->h());
  EXPECT_EQ(20, bar);  // at 96 dots per inch
  EXPECT_EQ(10 + bar, ui_fltk::ControlOf(0)->y());
  EXPECT_EQ(320 + bar, ui_fltk::ControlOf(4)->y());
  Fl_Widget* status = ui_fltk::StatusBarOf(kWin);
  EXPECT_EQ(404, status->y() + status->h());
  EXPECT_EQ(565, status->w());
  EXPECT_LE(ui_fltk::ControlOf(4)->y() + 40, status->y());  // the lowest control clears the bar

  // Resizing moves no control; the status bar follows the bottom edge.
  win->resize(win->x(), win->y(), 700, 500);
  Settle(100);
  EXPECT_EQ(10 + bar, ui_fltk::ControlOf(0)->y());
  EXPECT_EQ(280, ui_fltk::ControlOf(0)->x());
  EXPECT_EQ(500, status->y() + status->h());
  EXPECT_EQ(700, status->w());
  EXPECT_EQ(700, ui_fltk::MenuBarOf(kWin)->w());
}

TEST_F(FltkToolkit, MenuItemsReportTheirIdentifiers) {
  ASSERT_TRUE(ui::SetMenu(kWin, kMenu, sizeof kMenu / sizeof kMenu[0]));
  struct {
    const char* path;
    int id;
  } const items[] = {
      {"Настройки/Максимальное КСВ/1 Датчик", 21},
      {"Настройки/Максимальное КСВ/2 Датчик", 22},
      {"Настройки/Максимальная мощность/3 Датчик/1200 Ватт", 94},
      {"Датчики/3 Датчик", 97},
      {"Общее/О Авторе", 26},
  };
  Fl_Menu_Bar* bar = ui_fltk::MenuBarOf(kWin);
  for (const auto& item : items) {
    const Fl_Menu_Item* found = bar->find_item(item.path);
    ASSERT_NE(nullptr, found) << item.path;
    bar->picked(found);
    ASSERT_EQ(1, ui_fltk::PendingEventCount()) << item.path;
    const ui::Event e = ui::WaitEvent();
    EXPECT_EQ(EventKind::Menu, e.kind) << item.path;
    EXPECT_EQ(item.id, e.id) << item.path;
  }
}

TEST_F(FltkToolkit, MalformedMenuTableIsRefused) {
  const ui::MenuEntry skipsALevel[] = {{0, "A", 0}, {2, "B", 5}};
  EXPECT_FALSE(ui::SetMenu(kWin, skipsALevel, 2));
  const ui::MenuEntry underAnItem[] = {{0, "A", 3}, {1, "B", 5}};
  EXPECT_FALSE(ui::SetMenu(kWin, underAnItem, 2));
}

TEST_F(FltkToolkit, TextsRoundTripForEveryKind) {
  // '@' and '&' are FLTK markup in labels; they must show and read back as given.
  const char* first = "Отражённая @1 & ё";
  const char* second = "Прямая ";
  const ControlKind kinds[] = {ControlKind::StaticLeft,  ControlKind::StaticCenter, ControlKind::ReadOnlyEdit,
                               ControlKind::Edit,        ControlKind::EditUppercase, ControlKind::GroupBox,
                               ControlKind::PushButton,  ControlKind::CheckBox};
  int id = 100;
  for (ControlKind kind : kinds) {
    ASSERT_TRUE(ui::CreateControl(kWin, id, kind, {10, 10, 200, 30}, first));
    EXPECT_EQ(first, ui::GetText(id)) << static_cast<int>(kind);
    ui::SetText(id, second);
    EXPECT_EQ(second, ui::GetText(id)) << static_cast<int>(kind);
    ++id;
  }
  ui::SetText(4711, "nobody");  // no such control: skipped
  EXPECT_EQ("", ui::GetText(4711));
}

TEST_F(FltkToolkit, ReusedIdentifierReplacesTheControl) {
  ASSERT_TRUE(ui::CreateControl(kWin, 43, ControlKind::EditUppercase, {130, 80, 30, 30}, "0.0"));
  Fl_Window* win = ui_fltk::WindowOf(kWin);
  const int children = win->children();
  ASSERT_TRUE(ui::CreateControl(kWin, 43, ControlKind::Edit, {130, 80, 30, 30}, "1.5"));
  EXPECT_EQ(children, win->children());
  EXPECT_EQ("1.5", ui::GetText(43));
  ui::DestroyControl(43);
  EXPECT_EQ(nullptr, ui_fltk::ControlOf(43));
  EXPECT_EQ(children - 1, win->children());
  EXPECT_FALSE(ui::CreateControl(99, 44, ControlKind::Edit, {0, 0, 10, 10}, ""));  // no such window
}

TEST_F(FltkToolkit, TrackbarClampsItsPosition) {
  ASSERT_TRUE(ui::CreateControl(kWin, 42, ControlKind::Trackbar, {30, 40, 250, 20}, nullptr));
  ui::SetTrackbarRange(42, 10, 40);
  struct {
    int set, expected;
  } const cases[] = {{0, 10}, {10, 10}, {23, 23}, {40, 40}, {41, 40}, {-5, 10}};
  for (const auto& c : cases) {
    ui::SetTrackbarPos(42, c.set);
    EXPECT_EQ(c.expected, ui::GetTrackbarPos(42)) << c.set;
  }
  // A new range takes the thumb along.
  ui::SetTrackbarRange(42, 30, 35);
  EXPECT_EQ(30, ui::GetTrackbarPos(42));
  ui::SetTrackbarRange(42, 0, 20);
  EXPECT_EQ(20, ui::GetTrackbarPos(42));
  ui::SetTrackbarRange(42, 0, 100);
  EXPECT_EQ(20, ui::GetTrackbarPos(42));
}

TEST_F(FltkToolkit, TrackbarKeysMoveTheThumbAndReport) {
  ASSERT_TRUE(ui::CreateControl(kWin, 42, ControlKind::Trackbar, {30, 40, 250, 20}, nullptr));
  ui::SetTrackbarRange(42, 10, 40);
  Settle();
  Fl::focus(ui_fltk::ControlOf(42));
  struct {
    const char* key;
    int expected;
  } const steps[] = {{"End", 40}, {"Left", 39}, {"Up", 38}, {"Home", 10}, {"Right", 11},
                     {"Down", 12}, {"Next", 18}, {"Prior", 12}, {"Prior", 10}};
  for (const auto& step : steps) {
    Background key("xdotool windowfocus " + Xid() + " key " + step.key);
    EXPECT_TRUE(WaitFor(EventKind::Control, 42, 3000)) << step.key;
    EXPECT_EQ(step.expected, ui::GetTrackbarPos(42)) << step.key;
  }
}

TEST_F(FltkToolkit, TextColoursAreBlueGreenRedWords) {
  ASSERT_TRUE(ui::CreateControl(kWin, 0, ControlKind::StaticLeft, {280, 10, 100, 30}, "notice"));
  ASSERT_TRUE(ui::CreateControl(kWin, 1, ControlKind::ReadOnlyEdit, {40, 40, 100, 30}, "1"));
  ASSERT_TRUE(ui::CreateControl(kWin, 2, ControlKind::ReadOnlyEdit, {40, 110, 100, 30}, "2"));
  ui::SetTextColor(0, 0x090DF6);  // RGB(246, 13, 9)
  ui::SetTextColor(1, ui::Rgb(0, 0, 223));
  uchar r, g, b;
  Fl::get_color(ui_fltk::ControlOf(0)->labelcolor(), r, g, b);
  EXPECT_EQ(246, r);
  EXPECT_EQ(13, g);
  EXPECT_EQ(9, b);
  Fl::get_color(static_cast<Fl_Input_*>(ui_fltk::ControlOf(1))->textcolor(), r, g, b);
  EXPECT_EQ(0, r);
  EXPECT_EQ(0, g);
  EXPECT_EQ(223, b);
  // A coloured read-only edit is painted white, a plain one in the face colour.
  EXPECT_EQ(FL_BACKGROUND2_COLOR, ui_fltk::ControlOf(1)->color());
  EXPECT_EQ(FL_BACKGROUND_COLOR, ui_fltk::ControlOf(2)->color());
}

TEST_F(FltkToolkit, FontsHaveTheirPixelSizeAndWindowsMetrics) {
  ASSERT_TRUE(ui::CreateControl(kWin, 1, ControlKind::ReadOnlyEdit, {40, 40, 100, 30}, ""));
  ASSERT_TRUE(ui::CreateControl(kWin, 7, ControlKind::StaticCenter, {160, 110, 100, 30}, "КСВ"));
  const ui::Font value = ui::CreateFont("Times New Roman", 20);
  const ui::Font number = ui::CreateFont("Times New Roman", 26);
  ASSERT_NE(0, value);
  ui::SetFont(1, value);
  ui::SetFont(7, number);
  auto* edit = static_cast<Fl_Input_*>(ui_fltk::ControlOf(1));
  EXPECT_EQ(27, edit->textsize());                    // -27 at 96 dots per inch
  EXPECT_EQ(35, ui_fltk::ControlOf(7)->labelsize());  // -35

  // "Times New Roman" takes the room of its metric twin, not of a sans face.
  const char* sample = "Индикатор КСВ и Мощности 1200";
  fl_font(edit->textfont(), 27);
  const double asked = fl_width(sample);
  fl_font(ui_fltk::ControlOf(7)->labelfont(), 27);
  EXPECT_DOUBLE_EQ(asked, fl_width(sample));  // both sizes come from one face
  const ui::Font twin = ui::CreateFont("Liberation Serif", 20);
  ui::SetFont(1, twin);
  fl_font(edit->textfont(), 27);
  EXPECT_NEAR(asked, fl_width(sample), 1.0);
  fl_font(FL_HELVETICA, 27);
  EXPECT_GT(std::abs(asked - fl_width(sample)), 5.0);
  ui::DeleteFont(value);
  ui::DeleteFont(number);
  ui::DeleteFont(twin);
}

TEST_F(FltkToolkit, ButtonsAndCheckBoxReportTheirIdentifiers) {
  ASSERT_TRUE(ui::CreateControl(kWin, 17, ControlKind::PushButton, {420, 70, 78, 25}, "2 Датчик"));
  ASSERT_TRUE(ui::CreateControl(kWin, 13, ControlKind::CheckBox, {420, 150, 100, 20}, "Блокировка"));
  Settle();
  {
    Background click(ClickAt(17));
    EXPECT_TRUE(WaitFor(EventKind::Control, 17, 3000));
  }
  EXPECT_EQ(0, ui::GetCheck(13));
  for (int expected : {1, 0}) {
    Background click(ClickAt(13));
    EXPECT_TRUE(WaitFor(EventKind::Control, 13, 3000));
    EXPECT_EQ(expected, ui::GetCheck(13));  // the box toggled itself
  }
}

TEST_F(FltkToolkit, TabVisitsTabStopsInCreationOrder) {
  ui::SetMenu(kWin, kMenu, sizeof kMenu / sizeof kMenu[0]);
  ASSERT_TRUE(ui::CreateControl(kWin, 1, ControlKind::ReadOnlyEdit, {40, 40, 100, 30}, "1"));
  ASSERT_TRUE(ui::CreateControl(kWin, 6, ControlKind::StaticCenter, {160, 40, 100, 20}, "static"));
  ASSERT_TRUE(ui::CreateControl(kWin, 2, ControlKind::Edit, {40, 110, 100, 30}, "2"));
  ASSERT_TRUE(ui::CreateControl(kWin, 10, ControlKind::GroupBox, {400, 20, 110, 120}, "frame"));
  ASSERT_TRUE(ui::CreateControl(kWin, 16, ControlKind::PushButton, {420, 40, 78, 25}, "button"));
  ASSERT_TRUE(ui::CreateControl(kWin, 42, ControlKind::Trackbar, {30, 200, 250, 20}, nullptr));
  ASSERT_TRUE(ui::CreateControl(kWin, 13, ControlKind::CheckBox, {420, 150, 100, 20}, "check"));
  ui::EnsureStatusBar(kWin, 18);
  Settle();
  RunCommand(ClickAt(1));
  ASSERT_EQ(ui_fltk::ControlOf(1), Fl::focus());
  const int forward[] = {2, 16, 42, 13, 1};
  for (int id : forward) {
    RunCommand("xdotool key Tab");
    EXPECT_EQ(ui_fltk::ControlOf(id), Fl::focus()) << "Tab to " << id;
  }
  const int backward[] = {13, 42};
  for (int id : backward) {
    RunCommand("xdotool key shift+Tab");
    EXPECT_EQ(ui_fltk::ControlOf(id), Fl::focus()) << "Shift+Tab to " << id;
  }
}

TEST_F(FltkToolkit, EscapeAndEnterDoNothingAndTheCloseBoxOnlyReports) {
  ASSERT_TRUE(ui::CreateControl(kWin, 16, ControlKind::PushButton, {420, 40, 78, 25}, "button"));
  ASSERT_TRUE(ui::CreateControl(kWin, 2, ControlKind::Edit, {40, 110, 100, 30}, ""));
  Settle();
  for (const ui::Event& e : RunCommand(ClickAt(2) + " && xdotool key Escape Return KP_Enter", 300)) {
    EXPECT_NE(EventKind::Close, e.kind);
  }
  EXPECT_TRUE(ui_fltk::WindowOf(kWin)->shown());
  {
    Background close(std::string(SWR_WM_CLOSE) + " " + Xid());
    EXPECT_TRUE(WaitFor(EventKind::Close, kWin, 3000));
  }
  Settle(100);
  EXPECT_TRUE(ui_fltk::WindowOf(kWin)->shown());  // closing is the program's decision
  ui::HideWindow(kWin);
  EXPECT_FALSE(ui_fltk::WindowOf(kWin)->shown());
}

TEST_F(FltkToolkit, UppercaseEditCapitalisesTypedLetters) {
  ASSERT_TRUE(ui::CreateControl(kWin, 43, ControlKind::EditUppercase, {130, 80, 80, 30}, ""));
  ASSERT_TRUE(ui::CreateControl(kWin, 33, ControlKind::Edit, {130, 120, 80, 30}, ""));
  Settle();
  RunCommand(ClickAt(43) + " && xdotool type --delay 20 'ab1c'");
  EXPECT_EQ("AB1C", ui::GetText(43));
  RunCommand(ClickAt(33) + " && xdotool type --delay 20 'ab1c'");
  EXPECT_EQ("ab1c", ui::GetText(33));
}

TEST_F(FltkToolkit, TextsFromAnotherThreadArriveInOrder) {
  // The reader sets five fields in a fixed order; whenever the user-interface
  // thread looks, it must see a prefix of one round applied, never a later
  // field ahead of an earlier one.
  const int ids[] = {4, 3, 14, 2, 1};
  for (int id : ids) ASSERT_TRUE(ui::CreateControl(kWin, id, ControlKind::ReadOnlyEdit, {10, 10 + 40 * id, 100, 30}, "0"));
  constexpr int kRounds = 3000;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    char text[16];
    for (int round = 1; round <= kRounds; ++round) {
      std::snprintf(text, sizeof text, "%d", round);
      for (int id : ids) ui::SetText(id, text);
    }
    done.store(true);
  });
  ui::StartTimer(kWin, 5, 2);
  ui::StartTimer(kWin, kWatchdog, 20000);
  int looks = 0;
  while (!done.load()) {
    const ui::Event e = ui::WaitEvent();
    if (e.kind == EventKind::Timer && e.id == kWatchdog) break;
    if (e.kind != EventKind::Timer) continue;
    ++looks;
    int previous = kRounds + 1;
    for (int id : ids) {
      const int value = std::atoi(ui::GetText(id).c_str());
      ASSERT_LE(value, previous) << "field " << id << " ahead of the one before it";
      previous = value;
    }
    ASSERT_LE(std::atoi(ui::GetText(4).c_str()) - previous, 1);
  }
  reader.join();
  ASSERT_TRUE(done.load());
  EXPECT_GT(looks, 0);
  for (int id : ids) EXPECT_EQ(std::to_string(kRounds), ui::GetText(id));
}

TEST_F(FltkToolkit, ErrorBoxDropsTheEventsProducedWhileItIsShown) {
  ASSERT_TRUE(ui::CreateControl(kWin, 16, ControlKind::PushButton, {420, 40, 78, 25}, "button"));
  ui::StartTimer(kWin, 3, 20);
  Settle(100);
  ui_fltk::DiscardPendingEvents();
  const std::string dismiss =
      "for i in 1 2 3 4 5 6 7 8 9 10; do sleep 0.3; "
      "w=$(xdotool search --name '^Error box test$' | head -n 1); "
      "if [ -n \"$w\" ]; then xdotool key --window \"$w\" Return; break; fi; done";
  const auto start = std::chrono::steady_clock::now();
  {
    Background press(dismiss);
    ui::ShowErrorBox("Устройство неподключено", "Error box test");
  }
  const auto shown = std::chrono::steady_clock::now() - start;
  EXPECT_GT(shown, std::chrono::milliseconds(200));  // it waited for the key
  EXPECT_LT(shown, std::chrono::seconds(4));
  EXPECT_EQ(0, ui_fltk::PendingEventCount());  // no tick made up later
  EXPECT_TRUE(WaitFor(EventKind::Timer, 3, 1000));  // and the timer runs on
}

}  // namespace
