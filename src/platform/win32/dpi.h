// The program's windows are laid out in pixels of a 96-DPI screen and declared DPI-aware in the
// manifest: every position and size is scaled to the DPI of the window's screen, so that the
// system draws the text sharp instead of stretching a bitmap of the window.
#pragma once

#include <vector>

#include "platform/win32/windows_include.h"

namespace qmb {

inline constexpr int kDesignDpi = 96;

// The DPI of the screen the window stands on (the system's DPI where the system cannot say, or
// for no window).
int WindowDpi(HWND window);

// A length of the 96-DPI design at dpi.
inline int ScaleToDpi(int length, int dpi) { return MulDiv(length, dpi, kDesignDpi); }

// The window moved to a screen of another DPI (WM_DPICHANGED): every window below it keeps its
// place and size relative to the new DPI and gets its font at the new size; the window itself
// takes the rectangle the system suggests. The fonts made for that go into *made, for the caller
// to delete when its windows are gone.
void RescaleWindowTree(HWND window, int old_dpi, int new_dpi, const RECT& suggested,
                       std::vector<HFONT>* made);

}  // namespace qmb
