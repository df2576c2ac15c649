// The main window as built: font heights at common resolutions, the status
// bar's fields, every control's place and text, and the menu tree.
#include "ui/layout_metrics.h"
#include "app/main_window.h"
#include "flow_fixture.h"

namespace {

using headless::ControlOf;
using K = ui::ControlKind;

TEST(FontHeight, AtCommonResolutions) {
  struct Case {
    int points, dpi, height;
  };
  const Case cases[] = {{26, 96, -35}, {20, 96, -27}, {16, 96, -21}, {14, 96, -19},
                        {12, 96, -16}, {20, 120, -33}, {26, 120, -43}, {8, 144, -16}};
  for (const Case& c : cases) {
    EXPECT_EQ(ui::FontHeight(c.points, c.dpi), c.height) << c.points << " pt at " << c.dpi;
  }
}

TEST(StatusFields, TwoEqualFieldsLeaveRoomForTheGrip) {
  for (int width : {565, 400, 1000, 1001}) {
    const int field = ui::StatusFieldWidth(width, 18);
    EXPECT_EQ(field, (width - 21) / 2);
    EXPECT_LE(2 * field + 21, width);
  }
  EXPECT_EQ(ui::StatusFieldWidth(10, 18), 0);
}

TEST_F(Flow, MainWindowAsBuilt) {
  headless::Do([] {
    const headless::Window w = headless::WindowOf(swr::MainWindow);
    EXPECT_EQ(w.title, "Индикатор КСВ и Мощности VELTAR V 2.1.");
    EXPECT_EQ(w.x, 497);
    EXPECT_EQ(w.y, 191);
    EXPECT_EQ(w.clientWidth, 565);
    EXPECT_EQ(w.clientHeight, 404);
    EXPECT_EQ(w.style, ui::WindowStyle::Main);

    struct Expected {
      int id;
      K kind;
      ui::Rect rect;
      const char* text;
      int points;  // 0: default GUI font
      ui::Color color;  // 0: default colour
    };
    const ui::Color blue = 0xDF0000, red = 0x090DF6;
    const Expected expected[] = {
        {0, K::StaticLeft, {280, 10, 100, 30}, "Устройство неподключено", 0, red},
        {1, K::ReadOnlyEdit, {40, 40, 100, 30}, "", 20, blue},
        {2, K::ReadOnlyEdit, {40, 110, 100, 30}, "", 20, blue},
        {3, K::ReadOnlyEdit, {40, 180, 100, 30}, "", 20, blue},
        {14, K::ReadOnlyEdit, {40, 250, 100, 30}, "", 20, blue},
        {4, K::ReadOnlyEdit, {50, 320, 30, 40}, "", 26, blue},
        {5, K::StaticCenter, {100, 320, 200, 30}, "Включеный датчик", 12, 0},
        {6, K::StaticCenter, {160, 40, 100, 20}, "Мощность", 16, 0},
        {7, K::StaticCenter, {160, 110, 100, 30}, "КСВ", 20, 0},
        {8, K::StaticCenter, {160, 180, 100, 30}, "Прямая ", 14, 0},
        {9, K::StaticCenter, {160, 250, 100, 30}, "Отражённая", 14, 0},
        {10, K::GroupBox, {400, 20, 110, 120}, "Выбор датчика", 0, 0},
        {16, K::PushButton, {420, 40, 78, 25}, "1 Датчик", 0, 0},
        {17, K::PushButton, {420, 70, 78, 25}, "2 Датчик", 0, 0},
        {18, K::PushButton, {420, 100, 78, 25}, "3 Датчик", 0, 0},
        {13, K::CheckBox, {420, 150, 100, 20}, "Блокировка", 0, 0},
    };
    std::vector<int> order;
    for (const Expected& e : expected) {
      order.push_back(e.id);
      const headless::Control c = ControlOf(e.id);
      EXPECT_EQ(c.window, swr::MainWindow) << e.id;
      EXPECT_EQ(c.kind, e.kind) << e.id;
      EXPECT_EQ(c.rect.x, e.rect.x) << e.id;
      EXPECT_EQ(c.rect.y, e.rect.y) << e.id;
      EXPECT_EQ(c.rect.w, e.rect.w) << e.id;
      EXPECT_EQ(c.rect.h, e.rect.h) << e.id;
      EXPECT_EQ(c.text, e.text) << e.id;
      EXPECT_EQ(c.hasColor, e.color != 0) << e.id;
      if (e.color != 0) {
        EXPECT_EQ(c.color, e.color) << e.id;
      }
      if (e.points == 0) {
        EXPECT_EQ(c.font, 0) << e.id;
      } else {
        const headless::FontRecord& f = headless::Ui().fonts.at(c.font);
        EXPECT_EQ(f.face, "Times New Roman") << e.id;
        EXPECT_EQ(f.points, e.points) << e.id;
      }
      EXPECT_EQ(c.check, 0) << e.id;
    }
    // Creation order is the Tab order.
    EXPECT_EQ(w.controlOrder, order);
    // The lowest control ends at y = 360.
    int bottom = 0;
    for (const Expected& e : expected) bottom = std::max(bottom, e.rect.y + e.rect.h);
    EXPECT_EQ(bottom, 360);
  });
  Run();
  for (const auto& font : headless::Ui().fonts) EXPECT_TRUE(font.second.deleted);
}

TEST_F(Flow, MenuTree) {
  headless::Do([] {
    const std::vector<ui::MenuEntry> menu = headless::WindowOf(swr::MainWindow).menu;
    std::vector<std::string> lines;
    for (const ui::MenuEntry& e : menu) {
      lines.push_back(std::string(e.level * 2, ' ') + e.caption + " " + std::to_string(e.id));
    }
    const std::vector<std::string> expected = {
        "Настройки 0",
        "  Максимальное КСВ 0",
        "    1 Датчик 21", "    2 Датчик 22", "    3 Датчик 23",
        "  Максимальная мощность 0",
        "    1 Датчик 0",
        "      50 Ватт 24", "      120 Ватт 29", "      400 Ватт 30", "      600 Ватт 27",
        "      1200Ватт 28",
        "    2 Датчик 0",
        "      50 Ватт 31", "      120 Ватт 32", "      400 Ватт 33", "      600 Ватт 90",
        "      1200 Ватт 91",
        "    3 Датчик 0",
        "      50 Ватт 92", "      120 Ватт 34", "      400 Ватт 35", "      600 Ватт 36",
        "      1200 Ватт 94",
        "Датчики 0",
        "  1 Датчик 95", "  2 Датчик 96", "  3 Датчик 97",
        "Общее 0",
        "  О программе 25", "  О Авторе 26",
    };
    EXPECT_EQ(lines, expected);
  });
  Run();
}

}  // namespace
