// The keyboard of a dialog box for the program's own top-level windows: Tab and Shift+Tab move the
// focus, Enter presses the default button, Esc asks to cancel and Alt with an underlined letter
// presses its button. A window opts in; every message loop of the program routes through here.
#pragma once

#include "platform/win32/windows_include.h"

namespace qmb {

// Sent to the window after each dialog key it took: the keys may have moved the focus, and with
// it the default-button mark, which the window then puts where it wants it.
inline constexpr UINT kDialogKeyTaken = WM_APP + 64;

// window (a top-level window) takes the dialog keys from now on. It answers WM_NEXTDLGCTL and
// DM_GETDEFID itself and gets Esc as WM_COMMAND IDCANCEL.
void EnableDialogKeys(HWND window);

// True when message was a dialog key of an opted-in window and is handled; otherwise the caller
// translates and dispatches it.
bool HandleDialogKey(MSG& message);

}  // namespace qmb
