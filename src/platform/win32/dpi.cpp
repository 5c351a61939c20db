// The DPI of a window's screen: GetDpiForWindow where Windows has it (10, version 1607 on),
// else the screen's logical pixels per inch.
#include "platform/win32/dpi.h"

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

using DpiContext = void*;
using SetThreadDpiAwarenessContextFn = DpiContext(WINAPI*)(DpiContext);

SetThreadDpiAwarenessContextFn SetThreadContext() {
  return reinterpret_cast<SetThreadDpiAwarenessContextFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
}

// DPI_AWARENESS_CONTEXT_UNAWARE.
const DpiContext kUnaware = reinterpret_cast<DpiContext>(static_cast<intptr_t>(-1));

}  // namespace

DpiUnawareWindows::DpiUnawareWindows() {
  if (auto set = SetThreadContext()) previous_ = set(kUnaware);
}

DpiUnawareWindows::~DpiUnawareWindows() {
  if (auto set = SetThreadContext(); set != nullptr && previous_ != nullptr) set(previous_);
}

}  // namespace qmb
