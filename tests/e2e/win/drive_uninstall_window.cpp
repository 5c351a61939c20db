// Drives the uninstall window as a user does: waits until it shows, clicks its buttons and reports
// what it shows, as UTF-8 lines for the test scripts.
//   drive_uninstall_window.exe wait CAPTION [seconds]
//       waits until the window titled CAPTION is visible; prints its buttons and texts
//   drive_uninstall_window.exe click CAPTION BUTTON [AWAITED|-] [seconds]
//       clicks the button captioned BUTTON; with AWAITED, waits until a button reads that
//       (the removal has finished) and prints the window's texts and its log list
// Exit code 0 on success, 1 when the window or button never came.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/windows_include.h"
#include "console_text.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kWindowClass[] = L"QmbUninstallWindow";

std::wstring TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// A stdcall function, not a lambda: the 32-bit build cannot convert a lambda to WNDENUMPROC.
BOOL CALLBACK AddChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, AddChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

HWND Button(HWND window, const std::wstring& caption) {
  for (HWND child : Children(window))
    if (_wcsicmp(ClassOf(child).c_str(), L"Button") == 0 && TextOf(child) == caption &&
        IsWindowVisible(child))
      return child;
  return nullptr;
}

// Polls every 100 ms for up to seconds; false when found never turned true.
template <typename Found>
bool WaitFor(int seconds, Found found) {
  for (int tick = 0; tick < seconds * 10; ++tick) {
    if (found()) return true;
    Sleep(100);
  }
  return false;
}

void PrintControls(HWND window) {
  std::printf("title: %s\n", Utf8(TextOf(window)).c_str());
  for (HWND child : Children(window)) {
    if (!IsWindowVisible(child)) continue;
    const std::wstring name = ClassOf(child);
    const std::wstring text = TextOf(child);
    if (text.empty()) continue;
    if (_wcsicmp(name.c_str(), L"Button") == 0) {
      const bool check = (GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
      if (check) {
        const bool ticked = SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED;
        std::printf("option: %s %s\n", ticked ? "[x]" : "[ ]", Utf8(text).c_str());
      } else {
        std::printf("button: %s%s\n", Utf8(text).c_str(),
                    IsWindowEnabled(child) ? "" : " (disabled)");
      }
    } else {
      std::printf("text: %s\n", Utf8(text).c_str());
    }
  }
}

void PrintLogList(HWND window) {
  for (HWND child : Children(window)) {
    if (_wcsicmp(ClassOf(child).c_str(), L"ListBox") != 0) continue;
    const LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t line[1024] = {};
      if (SendMessageW(child, LB_GETTEXTLEN, i, 0) < 1024)
        SendMessageW(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
      std::printf("log: %s\n", Utf8(line).c_str());
    }
  }
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) {
    std::printf("usage: drive_uninstall_window wait CAPTION [seconds]\n"
                "       drive_uninstall_window click CAPTION BUTTON [AWAITED|-] [seconds]\n");
    return 2;
  }
  const std::wstring command = argv[1];
  const std::wstring caption = argv[2];
  HWND window = nullptr;
  const bool click = command == L"click";
  if (click && argc < 4) return 2;
  const int seconds_at = click ? 5 : 3;
  const int seconds = argc > seconds_at ? _wtoi(argv[seconds_at]) : 60;
  const std::wstring awaited = click && argc > 4 && std::wstring(argv[4]) != L"-" ? argv[4] : L"";
  if (!WaitFor(seconds, [&] {
        window = FindWindowW(kWindowClass, caption.c_str());
        return window != nullptr && IsWindowVisible(window);
      })) {
    std::printf("no visible window titled %s\n", Utf8(caption).c_str());
    return 1;
  }
  if (!click) {
    PrintControls(window);
    return 0;
  }
  const std::wstring button_text = argv[3];
  HWND button = nullptr;
  if (!WaitFor(seconds, [&] {
        button = Button(window, button_text);
        return button != nullptr && IsWindowEnabled(button);
      })) {
    std::printf("no button %s\n", Utf8(button_text).c_str());
    return 1;
  }
  // Posted, not sent: the click runs the whole removal inside the window's thread.
  PostMessageW(button, BM_CLICK, 0, 0);
  std::printf("clicked: %s\n", Utf8(button_text).c_str());
  std::fflush(stdout);
  if (!awaited.empty()) {
    if (!WaitFor(seconds, [&] {
          HWND done = Button(window, awaited);
          return done != nullptr && IsWindowEnabled(done);
        })) {
      std::printf("the button never read %s\n", Utf8(awaited).c_str());
      return 1;
    }
    PrintControls(window);
    PrintLogList(window);
  }
  return 0;
}
