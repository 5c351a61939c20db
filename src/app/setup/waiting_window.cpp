// The waiting window: our own icon (图片框1), the percentage (标签1) and a text (标签2), centred on
// the screen, 257 x 70 on a 96-DPI screen and scaled to the screen's DPI. Its timer
// (时钟1_upacking, 200 ms) only keeps the window painting.
#include "app/setup/waiting_window.h"

#include <memory>

#include "context/context.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

#include <shellapi.h>
#include "startup/waiting_progress.h"

namespace qmb {
namespace {

constexpr wchar_t kClassName[] = L"QmbWaitingWindow";
constexpr DWORD kStyle = 0x940008C4;
constexpr DWORD kExStyle = 0x10101;
constexpr int kWidth = 257;
constexpr int kHeight = 70;
constexpr UINT_PTR kTimerId = 1;  // 时钟1_upacking
constexpr UINT kTimerInterval = 200;
constexpr int kIconId = 101;     // 图片框1
constexpr int kPercentId = 102;  // 标签1
constexpr int kTextId = 103;     // 标签2

// The one waiting window of the process; it exists only during the payload copy.
struct WaitingWindow {
  HWND window = nullptr;
  UINT timer_interval = 0;
};

LRESULT CALLBACK WaitingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_TIMER) {
    InvalidateRect(window, nullptr, FALSE);
    return 0;
  }
  if (message == WM_CLOSE) return 0;  // only the package step closes it
  return DefWindowProcW(window, message, w, l);
}

void Open(WaitingWindow& state, Context& ctx) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WaitingProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32514));  // IDC_WAIT
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassW(&wc);  // fails harmlessly when already registered
  const int dpi = WindowDpi(nullptr);
  auto S = [dpi](int length) { return ScaleToDpi(length, dpi); };
  const int x = GetSystemMetrics(SM_CXSCREEN) / 2 - (S(kWidth) + 1) / 2;
  const int y = GetSystemMetrics(SM_CYSCREEN) / 2 - (S(kHeight) + 1) / 2;
  // Created invisible; the first percentage makes it visible.
  state.window = CreateWindowExW(kExStyle, kClassName, L"unpacking data", kStyle & ~WS_VISIBLE, x,
                                 y, S(kWidth), S(kHeight), nullptr, nullptr, instance, nullptr);
  if (state.window == nullptr) {
    ctx.log.Failure("waiting window: cannot create it");
    return;
  }
  HWND icon =
      CreateWindowExW(0, L"Static", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, S(8), S(8), S(32),
                      S(32), state.window, reinterpret_cast<HMENU>(kIconId), instance, nullptr);
  HICON own_icon = ExtractIconW(instance, Wide(ctx.platform.env.ModulePath()).c_str(), 0);
  if (own_icon == nullptr || own_icon == reinterpret_cast<HICON>(1)) {
    own_icon = LoadIconW(nullptr, MAKEINTRESOURCEW(32512));  // IDI_APPLICATION
  }
  SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(own_icon), 0);
  CreateWindowExW(0, L"Static", L"0", WS_CHILD, 0, 0, 0, 0, state.window,
                  reinterpret_cast<HMENU>(kPercentId), instance, nullptr);
  // The text's three lines in the system font, with room for the last line's descenders.
  const std::wstring text = Wide(WaitingTextsFor(0).label);
  CreateWindowExW(0, L"Static", text.c_str(), WS_CHILD | WS_VISIBLE, S(48), S(4), S(200), S(60),
                  state.window, reinterpret_cast<HMENU>(kTextId), instance, nullptr);
  state.timer_interval = 0;
  ctx.log.Step("waiting window: open");
}

void Update(WaitingWindow& state, const WaitingTexts& texts) {
  if (state.window == nullptr) return;
  if (state.timer_interval != kTimerInterval) {
    SetTimer(state.window, kTimerId, kTimerInterval, nullptr);
    state.timer_interval = kTimerInterval;
  }
  SetDlgItemTextW(state.window, kPercentId, Wide(texts.percent).c_str());
  SetDlgItemTextW(state.window, kTextId, Wide(texts.label).c_str());
  SetWindowTextW(state.window, Wide(texts.caption).c_str());
  ShowWindow(state.window, SW_SHOWNOACTIVATE);
  UpdateWindow(state.window);
}

void Close(WaitingWindow& state, Context& ctx) {
  if (state.window == nullptr) return;
  KillTimer(state.window, kTimerId);
  DestroyWindow(state.window);
  state.window = nullptr;
  ctx.log.Step("waiting window: closed");
}

}  // namespace

void AttachWaitingWindow(Context& ctx) {
  auto state = std::make_shared<WaitingWindow>();
  WaitingView& view = ctx.startup.waiting;
  view.open = [state, &ctx] { Open(*state, ctx); };
  view.update = [state](const WaitingTexts& texts) { Update(*state, texts); };
  view.close = [state, &ctx] { Close(*state, ctx); };
}

}  // namespace qmb
