// The one table that says how each control kind is realised on Windows.
#include "ui/win32/ui_win32_internal.h"

namespace ui::win32 {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_GROUP;
constexpr DWORD kEdit = kChild | WS_TABSTOP | ES_AUTOHSCROLL;  // single line, left

// Indexed by ControlKind, in its order.
const KindInfo kKinds[] = {
    /* StaticLeft    */ {L"Static", kChild | SS_LEFT, 0, COLOR_BTNFACE},
    /* StaticCenter  */ {L"Static", kChild | SS_CENTER, 0, COLOR_BTNFACE},
    /* ReadOnlyEdit  */ {L"Edit", kEdit | ES_READONLY, WS_EX_CLIENTEDGE, COLOR_BTNHIGHLIGHT},
    /* Edit          */ {L"Edit", kEdit, WS_EX_CLIENTEDGE, COLOR_WINDOW},
    /* EditUppercase */ {L"Edit", kEdit | ES_UPPERCASE, WS_EX_CLIENTEDGE, COLOR_WINDOW},
    /* GroupBox      */ {L"Button", kChild | BS_GROUPBOX, 0, COLOR_BTNFACE},
    /* PushButton    */ {L"Button", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, COLOR_BTNFACE},
    /* CheckBox      */ {L"Button", kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, COLOR_BTNFACE},
    // The slider is the one control without WS_GROUP.
    /* Trackbar      */ {TRACKBAR_CLASSW, WS_CHILD | WS_VISIBLE | WS_TABSTOP | TBS_AUTOTICKS, 0,
                         COLOR_BTNFACE},
};
static_assert(sizeof(kKinds) / sizeof(kKinds[0]) == static_cast<size_t>(ControlKind::Trackbar) + 1,
              "one row per control kind");

}  // namespace

const KindInfo& KindOf(ControlKind kind) {
  const auto index = static_cast<size_t>(kind);
  return index < sizeof(kKinds) / sizeof(kKinds[0]) ? kKinds[index] : kKinds[0];
}

}  // namespace ui::win32
