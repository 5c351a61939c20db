// Window class registration.
#include "platform/win32/window_class.h"

namespace qmb {

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));      // IDI_APPLICATION
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return RegisterClassW(&wc) != 0;
}

MessageFonts CreateMessageFonts() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  MessageFonts fonts;
  fonts.normal = CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW bold = metrics.lfMessageFont;
  bold.lfWeight = FW_BOLD;
  fonts.bold = CreateFontIndirectW(&bold);
  return fonts;
}

}  // namespace qmb
