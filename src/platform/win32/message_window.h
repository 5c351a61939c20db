// The hidden windows through which support DLLs find the program: "Static" children of the
// program's window whose caption is a GBK prefix and the decimal address of an entry routine.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/windows_include.h"

namespace qmb {

// Makes the message window with caption (GBK) on parent; none when the system refuses. A DLL
// may look the caption up with the wide functions or with the ANSI ones and a GBK prefix; the
// ANSI ones read it through the machine's ANSI code page. Where that code page is not GBK, a
// second window carries the caption as that code page reads the GBK bytes back, so that both
// lookups find a window. Returns the windows made.
std::vector<HWND> CreateMessageWindows(HWND parent, const std::string& caption);

}  // namespace qmb
