// The window class of the program's top-level windows: the application icon, the arrow cursor and
// the dialog face colour behind the controls.
#pragma once

#include "platform/win32/windows_include.h"

namespace qmb {

// Registers the class name with its window procedure; false when the system refuses.
bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure);

// The system's message font and its bold form, for a window's texts and titles; the caller
// deletes both.
struct MessageFonts {
  HFONT normal = nullptr;
  HFONT bold = nullptr;
};
MessageFonts CreateMessageFonts();

}  // namespace qmb
