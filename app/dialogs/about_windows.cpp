// The About windows' texts and layout, and the loop that runs each until its
// close box; see about_windows.h.
#include "app/dialogs/about_windows.h"

#include "app/main_window.h"
#include "ui/ui.h"

namespace swr {

namespace {

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 200;

enum AboutControlId : int {
  AboutProgramText = 21,
  AuthorCallSignText = 31,
  AuthorNameText = 32,
  AuthorMailField = 33,
  AuthorMailLabel = 34,
  AuthorTownText = 35,
};

const char* const kDescription =
    "Программа предназначена для индикации КСВ антенно-фидерных систем и проходящей "
    "мощности в них. Измерение происходит с трёх датчиков, для каждого датчика можно "
    "выставить предельный уровень значения КСВ при превышении которого будет выдаваться "
    "сигнал для блокировки на передачу(трансивера или усилителя мощности. Так же для "
    "каждого датчика выставляется предельный уровень мощности. Все настройки заносятся в "
    "энерго-независимаю память контроллера. Устройство может работать как и совместно с "
    "компьютером ,так и автономно.";

const char* const kCallSign = "VELTAR ";
const char* const kAuthorName = "swrpanel developers";
const char* const kAuthorTown = "г. Томск, Томская область";
const char* const kAuthorMail = "swrpanel@example.org";

bool OpenWindow(int number, const char* title) {
  return ui::CreateWindow(number, title, ui::WindowStyle::Fixed, kMainWindowX, kMainWindowY,
                          kClientWidth, kClientHeight);
}

// Runs until a Close event of any window arrives, then hides the window.
// Everything else, the main window's events included, is dropped.
void RunUntilClosed(int number) {
  while (ui::WaitEvent().kind != ui::EventKind::Close) {
  }
  ui::HideWindow(number);
}

}  // namespace

void RunAboutProgramWindow() {
  if (!OpenWindow(AboutProgramWindow, "О программе")) return;
  ui::CreateControl(AboutProgramWindow, AboutProgramText, ui::ControlKind::StaticCenter,
                    {10, 10, 280, 190}, "");
  ui::SetText(AboutProgramText, kDescription);
  RunUntilClosed(AboutProgramWindow);
}

void RunAboutAuthorWindow() {
  if (!OpenWindow(AboutAuthorWindow, "О Авторе")) return;
  ui::CreateControl(AboutAuthorWindow, AuthorCallSignText, ui::ControlKind::StaticCenter,
                    {80, 10, 100, 20}, "");
  ui::SetText(AuthorCallSignText, kCallSign);
  ui::CreateControl(AboutAuthorWindow, AuthorNameText, ui::ControlKind::StaticCenter,
                    {80, 30, 100, 20}, "");
  ui::SetText(AuthorNameText, kAuthorName);
  ui::CreateControl(AboutAuthorWindow, AuthorTownText, ui::ControlKind::StaticCenter,
                    {80, 55, 100, 40}, kAuthorTown);
  ui::CreateControl(AboutAuthorWindow, AuthorMailField, ui::ControlKind::Edit,
                    {130, 125, 120, 20}, kAuthorMail);
  ui::CreateControl(AboutAuthorWindow, AuthorMailLabel, ui::ControlKind::StaticLeft,
                    {80, 130, 40, 20}, "Почта:");
  RunUntilClosed(AboutAuthorWindow);
}

}  // namespace swr
