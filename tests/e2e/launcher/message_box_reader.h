// Finds the message box a process shows and reads it from the dialog window
// itself: its caption, the texts of its static controls, its buttons and
// whether it carries an icon. Controls are told apart by class and style,
// never by control id, since those differ between Windows versions.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct MessageBoxContent {
  std::wstring caption;
  std::vector<std::wstring> texts;    // visible static controls that are not icons
  std::vector<std::wstring> buttons;  // visible buttons, in z-order
  bool has_icon = false;              // a visible icon control holding an icon
};

// The first visible top-level dialog (class #32770) of the process; null when
// there is none yet.
HWND FindMessageBoxOf(DWORD process_id);

MessageBoxContent ReadMessageBox(HWND dialog);

// Closes the box the way a user does, by pressing its OK button; false when the
// box has no button to press.
bool PressOk(HWND dialog);
