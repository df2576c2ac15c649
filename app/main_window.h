// The main window: its controls, fonts, colours and menu, as tables.
#pragma once

#include "ui/ui.h"
#include "measure/fields.h"

namespace swr {

enum WindowNumber : int {
  MainWindow = 1,
  AboutProgramWindow = 2,
  AboutAuthorWindow = 3,
  // The maximum-SWR dialogs of sensors 1..3 are 4, 5 and 6.
};

// Menu item identifiers (a space of their own: they arrive as menu events).
enum MenuId : int {
  MenuMaxSwrSensor1 = 21,
  MenuMaxSwrSensor2 = 22,
  MenuMaxSwrSensor3 = 23,
  MenuAboutProgram = 25,
  MenuAboutAuthor = 26,
  MenuPower1_50W = 24,
  MenuPower1_120W = 29,
  MenuPower1_400W = 30,
  MenuPower1_600W = 27,
  MenuPower1_1200W = 28,
  MenuPower2_50W = 31,
  MenuPower2_120W = 32,
  MenuPower2_400W = 33,
  MenuPower2_600W = 90,
  MenuPower2_1200W = 91,
  MenuPower3_50W = 92,
  MenuPower3_120W = 34,
  MenuPower3_400W = 35,
  MenuPower3_600W = 36,
  MenuPower3_1200W = 94,
  MenuSelectSensor1 = 95,
  MenuSelectSensor2 = 96,
  MenuSelectSensor3 = 97,
};

// Main-window controls that send commands (app/actions.h).
enum CommandControlId : int {
  BlockingCheckBoxId = 13,
  Sensor1ButtonId = 16,
  Sensor2ButtonId = 17,
  Sensor3ButtonId = 18,
};

// Main-window controls that neither send commands nor show values.
enum MainControlId : int {
  DeviceNoticeText = 0,
  ActiveSensorCaption = 5,
  PowerCaption = 6,
  SwrCaption = 7,
  ForwardCaption = 8,
  ReflectedCaption = 9,
  SensorSelectFrame = 10,
};

constexpr int SupervisionTimer = 1;
constexpr int kSupervisionPeriodMs = 200;

constexpr int kMainWindowX = 497;
constexpr int kMainWindowY = 191;
constexpr int kMainClientWidth = 565;
constexpr int kMainClientHeight = 404;

extern const char* const kMainWindowTitle;
extern const char* const kDeviceNotConnected;  // the notice and the error box text
extern const char* const kErrorBoxCaption;

enum FontSlot : int {
  DefaultFont = -1,  // the system's default GUI font
  SensorNumberFont = 0,
  ValueFont,
  PowerCaptionFont,
  LevelCaptionFont,
  SensorCaptionFont,
  FontCount,
};

struct FontSpec {
  const char* face;
  int points;
};
extern const FontSpec kFonts[FontCount];

constexpr ui::Color kNoticeColor = ui::Rgb(246, 13, 9);
constexpr ui::Color kValueColor = ui::Rgb(0, 0, 223);

struct ControlSpec {
  int id;
  ui::ControlKind kind;
  ui::Rect rect;
  const char* text;
  int font;          // a FontSlot
  bool hasColor;
  ui::Color color;
};

// In creation order, which is also the Tab order.
extern const ControlSpec kMainControls[16];

extern const ui::MenuEntry kMainMenu[];
extern const int kMainMenuCount;

// Creates the window's fonts / deletes them (slots without a font stay 0).
void CreateFonts();
void DeleteFonts();
ui::Font FontOf(int slot);

// Creates the main window with its controls and menu, in start-up order.
void BuildMainWindow();

}  // namespace swr
