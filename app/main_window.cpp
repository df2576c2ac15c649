// The main window as data: its title and texts, the font table, the control
// table, the menu tree, and building the window from them.
#include "app/main_window.h"

namespace swr {

using ui::ControlKind;

const char* const kMainWindowTitle = "Индикатор КСВ и Мощности VELTAR V 2.1.";
const char* const kDeviceNotConnected = "Устройство неподключено";
const char* const kErrorBoxCaption = "Ксв метр";

const FontSpec kFonts[FontCount] = {
    {"Times New Roman", 26},  // SensorNumberFont
    {"Times New Roman", 20},  // ValueFont
    {"Times New Roman", 16},  // PowerCaptionFont
    {"Times New Roman", 14},  // LevelCaptionFont
    {"Times New Roman", 12},  // SensorCaptionFont
};

const ControlSpec kMainControls[16] = {
    {DeviceNoticeText, ControlKind::StaticLeft, {280, 10, 100, 30}, "Устройство неподключено",
     DefaultFont, true, kNoticeColor},
    {PowerField, ControlKind::ReadOnlyEdit, {40, 40, 100, 30}, "", ValueFont, true, kValueColor},
    {SwrField, ControlKind::ReadOnlyEdit, {40, 110, 100, 30}, "", ValueFont, true, kValueColor},
    {ForwardField, ControlKind::ReadOnlyEdit, {40, 180, 100, 30}, "", ValueFont, true,
     kValueColor},
    {ReflectedField, ControlKind::ReadOnlyEdit, {40, 250, 100, 30}, "", ValueFont, true,
     kValueColor},
    {ActiveSensorField, ControlKind::ReadOnlyEdit, {50, 320, 30, 40}, "", SensorNumberFont, true,
     kValueColor},
    {ActiveSensorCaption, ControlKind::StaticCenter, {100, 320, 200, 30}, "Включеный датчик",
     SensorCaptionFont, false, 0},
    {PowerCaption, ControlKind::StaticCenter, {160, 40, 100, 20}, "Мощность", PowerCaptionFont,
     false, 0},
    {SwrCaption, ControlKind::StaticCenter, {160, 110, 100, 30}, "КСВ", ValueFont, false, 0},
    {ForwardCaption, ControlKind::StaticCenter, {160, 180, 100, 30}, "Прямая ", LevelCaptionFont,
     false, 0},
    {ReflectedCaption, ControlKind::StaticCenter, {160, 250, 100, 30}, "Отражённая",
     LevelCaptionFont, false, 0},
    {SensorSelectFrame, ControlKind::GroupBox, {400, 20, 110, 120}, "Выбор датчика", DefaultFont,
     false, 0},
    {Sensor1ButtonId, ControlKind::PushButton, {420, 40, 78, 25}, "1 Датчик", DefaultFont, false,
     0},
    {Sensor2ButtonId, ControlKind::PushButton, {420, 70, 78, 25}, "2 Датчик", DefaultFont, false,
     0},
    {Sensor3ButtonId, ControlKind::PushButton, {420, 100, 78, 25}, "3 Датчик", DefaultFont, false,
     0},
    {BlockingCheckBoxId, ControlKind::CheckBox, {420, 150, 100, 20}, "Блокировка", DefaultFont,
     false, 0},
};

const ui::MenuEntry kMainMenu[] = {
    {0, "Настройки", 0},
    {1, "Максимальное КСВ", 0},
    {2, "1 Датчик", MenuMaxSwrSensor1},
    {2, "2 Датчик", MenuMaxSwrSensor2},
    {2, "3 Датчик", MenuMaxSwrSensor3},
    {1, "Максимальная мощность", 0},
    {2, "1 Датчик", 0},
    {3, "50 Ватт", MenuPower1_50W},
    {3, "120 Ватт", MenuPower1_120W},
    {3, "400 Ватт", MenuPower1_400W},
    {3, "600 Ватт", MenuPower1_600W},
    {3, "1200Ватт", MenuPower1_1200W},
    {2, "2 Датчик", 0},
    {3, "50 Ватт", MenuPower2_50W},
    {3, "120 Ватт", MenuPower2_120W},
    {3, "400 Ватт", MenuPower2_400W},
    {3, "600 Ватт", MenuPower2_600W},
    {3, "1200 Ватт", MenuPower2_1200W},
    {2, "3 Датчик", 0},
    {3, "50 Ватт", MenuPower3_50W},
    {3, "120 Ватт", MenuPower3_120W},
    {3, "400 Ватт", MenuPower3_400W},
    {3, "600 Ватт", MenuPower3_600W},
    {3, "1200 Ватт", MenuPower3_1200W},
    {0, "Датчики", 0},
    {1, "1 Датчик", MenuSelectSensor1},
    {1, "2 Датчик", MenuSelectSensor2},
    {1, "3 Датчик", MenuSelectSensor3},
    {0, "Общее", 0},
    {1, "О программе", MenuAboutProgram},
    {1, "О Авторе", MenuAboutAuthor},
};
const int kMainMenuCount = static_cast<int>(sizeof kMainMenu / sizeof kMainMenu[0]);

namespace {

ui::Font fonts[FontCount] = {};

void CreateFromSpec(const ControlSpec& spec) {
  ui::CreateControl(MainWindow, spec.id, spec.kind, spec.rect, spec.text);
  if (spec.font != DefaultFont) ui::SetFont(spec.id, fonts[spec.font]);
  if (spec.hasColor) ui::SetTextColor(spec.id, spec.color);
}

}  // namespace

void CreateFonts() {
  for (int slot = 0; slot < FontCount; ++slot) {
    fonts[slot] = ui::CreateFont(kFonts[slot].face, kFonts[slot].points);
  }
}

void DeleteFonts() {
  for (ui::Font& font : fonts) {
    if (font != 0) ui::DeleteFont(font);
    font = 0;
  }
}

ui::Font FontOf(int slot) { return slot >= 0 && slot < FontCount ? fonts[slot] : 0; }

void BuildMainWindow() {
  ui::CreateWindow(MainWindow, kMainWindowTitle, ui::WindowStyle::Main, kMainWindowX,
                   kMainWindowY, kMainClientWidth, kMainClientHeight);
  // The notice first, then the menu bar, then everything else in table order.
  CreateFromSpec(kMainControls[0]);
  ui::SetMenu(MainWindow, kMainMenu, kMainMenuCount);
  for (const ControlSpec& spec : kMainControls) {
    if (spec.id != DeviceNoticeText) CreateFromSpec(spec);
  }
}

}  // namespace swr
