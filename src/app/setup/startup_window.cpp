// The start-up window and its creation handler.
#include "app/setup/startup_window.h"

#include <cstdint>

#include "app/setup/message_entry.h"
#include "context/context.h"
#include "platform/win32/dpi.h"
#include "platform/win32/message_window.h"
#include "platform/win32/window_class.h"
#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include "flow/startup_flow.h"
#include "startup/package_step.h"
#include "uninstall/win32/uninstall_window.h"
#include "wizard/dll_requests.h"
#include "wizard/win32/wizard_window.h"

namespace qmb {
namespace {

constexpr wchar_t kClassName[] = L"QmbSetupWindow";
// The wizard's client area in pixels of the 96-DPI layout; with the caption the window is 363 high.
constexpr int kClientWidth = 497;
constexpr int kClientHeight = 334;

// Support DLLs reach the page request handler by sending its request codes as window messages to
// the message window, with the argument as wParam. That works in every run mode, with or without
// the wizard's pages.
LRESULT CALLBACK PageRequestProc(HWND window, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                 DWORD_PTR context) {
  if (message >= kPageCustomHeader && message <= kPageShortcutTexts) {
    return HandlePageRequest(*reinterpret_cast<Context*>(context), static_cast<int>(message),
                             static_cast<intptr_t>(w));
  }
  return DefSubclassProc(window, message, w, l);
}

// What the start-up window keeps while it lives.
struct StartupWindowData {
  Context* ctx = nullptr;
  WizardWindowPtr wizard;
};

// The window operations the start-up steps need.
class StartupWindow : public StartupWindowPort {
 public:
  StartupWindow(HWND window, StartupWindowData& data)
      : window_(window), data_(data), ctx_(*data.ctx) {}

  void CreateMessageWindow(const std::string& caption) override {
    // A window that cannot be made goes unnoticed, as support DLLs expect.
    for (HWND message_window : CreateMessageWindows(window_, caption))
      SetWindowSubclass(message_window, PageRequestProc, 1, reinterpret_cast<DWORD_PTR>(&ctx_));
  }
  void SetVisible(bool visible) override { ShowWindow(window_, visible ? SW_SHOW : SW_HIDE); }
  // Closing from inside the creation handler would destroy a half-made window; the close waits
  // for the message loop.
  void Close() override { PostMessageW(window_, WM_CLOSE, 0, 0); }
  void OpenUninstallWindow() override {
    CreateUninstallWindow(ctx_, reinterpret_cast<uintptr_t>(&UninstallMessageEntry));
  }
  void OpenWizard() override { data_.wizard = OpenWizardWindow(window_, ctx_); }
  void ShowFirstWizardPage() override {
    if (data_.wizard) ShowWizardFirstPage(*data_.wizard);
  }
  void ArmDirectInstall() override {
    if (data_.wizard) ArmDirectInstallTimer(*data_.wizard);
  }

 private:
  HWND window_;
  StartupWindowData& data_;
  Context& ctx_;
};

LRESULT CALLBACK StartupProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* data = reinterpret_cast<StartupWindowData*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (data != nullptr && data->wizard) {
    LRESULT result = 0;
    if (HandleWizardMessage(*data->wizard, message, w, l, &result)) return result;
  }
  switch (message) {
    case WM_CREATE: {
      data = new StartupWindowData;
      data->ctx = static_cast<Context*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
      Context& ctx = *data->ctx;
      StartupWindow port(window, *data);
      RunStartupWindowCreation(ctx, port, [&ctx] { return RunPackageStep(ctx); },
                               reinterpret_cast<uintptr_t>(&MessageEntry));
      return 0;
    }
    case WM_DESTROY: {
      // The uninstall window outlives the start-up window; the message loop ends with it.
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      const bool uninstalling = data != nullptr && data->ctx->uninstall.active;
      delete data;
      if (!uninstalling) PostQuitMessage(0);
      return 0;
    }
    default:
      return DefWindowProcW(window, message, w, l);
  }
}

}  // namespace

bool CreateStartupWindow(Context& ctx) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_TAB_CLASSES | ICC_TREEVIEW_CLASSES |
                                                         ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  if (!RegisterWindowClass(kClassName, StartupProc)) {
    ctx.log.Failure("start-up: cannot register the window class");
    return false;
  }
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const int dpi = WindowDpi(nullptr);
  RECT frame = {0, 0, ScaleToDpi(kClientWidth, dpi), ScaleToDpi(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window = CreateWindowExW(0, kClassName, L"Setup", style, x, y, width, height, nullptr,
                                nullptr, instance, &ctx);
  if (window == nullptr) {
    ctx.log.Failure("start-up: cannot create the start-up window");
    return false;
  }
  return true;
}

}  // namespace qmb
