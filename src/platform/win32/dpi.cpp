// The DPI of a window's screen and the move of a window tree to another DPI.
#include "platform/win32/dpi.h"

#include <utility>

namespace qmb {

int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (window != nullptr && get_dpi_for_window != nullptr) {
    const UINT dpi = get_dpi_for_window(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDesignDpi;
}

namespace {

// A stdcall function, not a lambda: the 32-bit build cannot convert a lambda to WNDENUMPROC.
BOOL CALLBACK AddDescendant(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

}  // namespace

void RescaleWindowTree(HWND window, int old_dpi, int new_dpi, const RECT& suggested,
                       std::vector<HFONT>* made) {
  if (old_dpi <= 0 || new_dpi <= 0 || old_dpi == new_dpi) return;
  std::vector<HWND> children;
  EnumChildWindows(window, AddDescendant, reinterpret_cast<LPARAM>(&children));
  std::vector<std::pair<HFONT, HFONT>> scaled_fonts;  // each font once, however many use it
  for (HWND child : children) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    // Edges, not sizes, so that controls that met still meet.
    const int left = MulDiv(rect.left, new_dpi, old_dpi), top = MulDiv(rect.top, new_dpi, old_dpi);
    SetWindowPos(child, nullptr, left, top, MulDiv(rect.right, new_dpi, old_dpi) - left,
                 MulDiv(rect.bottom, new_dpi, old_dpi) - top, SWP_NOZORDER | SWP_NOACTIVATE);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    if (font == nullptr) continue;
    HFONT scaled = nullptr;
    for (const auto& [from, to] : scaled_fonts)
      if (from == font) scaled = to;
    LOGFONTW look = {};
    if (scaled == nullptr && GetObjectW(font, sizeof(look), &look) == sizeof(look)) {
      look.lfHeight = MulDiv(look.lfHeight, new_dpi, old_dpi);
      look.lfWidth = MulDiv(look.lfWidth, new_dpi, old_dpi);
      scaled = CreateFontIndirectW(&look);
      if (scaled != nullptr) {
        made->push_back(scaled);
        scaled_fonts.push_back({font, scaled});
      }
    }
    if (scaled != nullptr) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(scaled), FALSE);
  }
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace qmb
