// Waits for a message box with the given title, prints its text as UTF-8 and presses OK.
//   answer_message_box.exe TITLE [seconds to wait, default 30]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/windows_include.h"
#include "console_text.h"

#include <shellapi.h>

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static text of a message box

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) {
    std::printf("usage: answer_message_box TITLE [seconds]\n");
    return 2;
  }
  const std::wstring title = argv[1];
  const int seconds = argc > 2 ? _wtoi(argv[2]) : 30;
  HWND box = nullptr;
  // The box exists before its text is filled in; it shows once it is complete.
  for (int waited = 0; waited < seconds * 10 && box == nullptr; ++waited) {
    box = FindWindowW(L"#32770", title.c_str());
    if (box != nullptr && !IsWindowVisible(box)) box = nullptr;
    if (box == nullptr) Sleep(100);
  }
  if (box == nullptr) {
    std::printf("no message box titled %s\n", Utf8(title).c_str());
    return 1;
  }
  wchar_t text[1024] = {};
  GetDlgItemTextW(box, kMessageTextId, text, 1024);
  std::printf("text: %s\n", Utf8(text).c_str());
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return 0;
}
