// The maximum-SWR dialogs of sensors 1 to 3 as a table, the slider and value
// field they show and the command their button sends; see swr_limit_dialog.h.
#include "app/dialogs/swr_limit_dialog.h"

#include "app/event_loop.h"
#include "app/main_window.h"
#include "app/program_state.h"
#include "ui/ui.h"
#include "measure/decode.h"

namespace swr {

namespace {

struct SwrDialogSpec {
  int window;
  const char* title;
  const char* caption;
  int captionId, sliderId, fieldId, acceptId;
};

const SwrDialogSpec kSwrDialogs[3] = {
    {4, "Максимальное КСВ 1 датчик", "Максимальное КСВ для 1 датчика.", 41, 42, 43, 44},
    {5, "Максимальное КСВ 2 датчик", "Максимальное КСВ для 2 датчика.", 51, 52, 53, 54},
    {6, "Максимальное КСВ 3 датчик", "Максимальное КСВ для 3 датчика.", 61, 62, 63, 64},
};

constexpr int kClientWidth = 300;
constexpr int kClientHeight = 200;
constexpr ui::Rect kCaptionRect = {10, 10, 280, 190};
constexpr ui::Rect kSliderRect = {30, 40, 250, 20};
constexpr ui::Rect kFieldRect = {130, 80, 30, 30};
constexpr ui::Rect kAcceptRect = {100, 120, 80, 30};
constexpr int kSliderMin = 10;
constexpr int kSliderMax = 40;

// The value field shows the limit with one decimal; it is rebuilt rather
// than edited, so whatever the user typed there is dropped.
void ShowValue(const SwrDialogSpec& d, float value, ui::ControlKind kind) {
  char text[16];
  FormatTenths(value, false, text);
  ui::CreateControl(d.window, d.fieldId, kind, kFieldRect, text);
}

}  // namespace

void RunSwrLimitDialog(int sensor) {
  if (sensor < 1 || sensor > 3) return;
  const SwrDialogSpec& d = kSwrDialogs[sensor - 1];
  if (!ui::CreateWindow(d.window, d.title, ui::WindowStyle::Fixed, kMainWindowX, kMainWindowY,
                        kClientWidth, kClientHeight)) {
    return;
  }
  ui::CreateControl(d.window, d.captionId, ui::ControlKind::StaticCenter, kCaptionRect,
                    d.caption);
  ui::CreateControl(d.window, d.sliderId, ui::ControlKind::Trackbar, kSliderRect, "");
  ui::SetTrackbarRange(d.sliderId, kSliderMin, kSliderMax);
  ui::SetTrackbarPos(d.sliderId, 0);  // clamped to the left end
  float value = 0.0f;
  ShowValue(d, value, ui::ControlKind::EditUppercase);
  ui::CreateControl(d.window, d.acceptId, ui::ControlKind::PushButton, kAcceptRect, "Принять");

  for (;;) {
    const ui::Event event = ui::WaitEvent();
    if (event.kind == ui::EventKind::Control && event.id == d.sliderId) {
      value = SwrLimitFromPosition(ui::GetTrackbarPos(d.sliderId));
      ShowValue(d, value, ui::ControlKind::Edit);
    } else if (event.kind == ui::EventKind::Control && event.id == d.acceptId) {
      PutCommand(sendBuffer, SwrLimitCommand(sensor, value));
      SendBufferedCommand();
      ui::HideWindow(d.window);
      return;
    } else if (event.kind == ui::EventKind::Close) {
      ui::HideWindow(d.window);
      return;
    }
  }
}

}  // namespace swr
