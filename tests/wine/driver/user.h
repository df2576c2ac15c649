// What a user does, done to the program's windows from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wt {

class Program;

// A click on a push button or check box (the control acts as on a mouse click).
void Click(HWND button);
// A choice of a menu item of the window's menu bar.
void ChooseMenu(HWND window, int itemId);
// Moves a trackbar's thumb to `position` as a drag does: a tracking
// notification, then the end of tracking.
void DragSlider(HWND dialog, HWND slider, int position);
// The close box (the window's Close system command).
void CloseBox(HWND window);
// Keys typed into the foreground window; `shift` holds Shift down meanwhile.
void PressKey(HWND foreground, WORD key, bool shift = false);
// Gives the keyboard focus to a control of the program's UI thread.
bool FocusControl(const Program& program, HWND control);
// Answers the message box with its OK button.
void DismissMessageBox(HWND box);
// The text of a message box (its static text) and its caption.
std::wstring MessageBoxText(HWND box);

}  // namespace wt
