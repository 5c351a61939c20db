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

}  // namespace qmb
