// Finds the hidden message window of a running setup.exe: a "Static" child window whose caption
// starts with the message-window prefix (GBK in the program, compared here in UTF-16). Prints the
// caption as UTF-8. With --close, then asks the window's top-level parent to close and answers the
// wizard's exit question "yes".
//   find_message_window.exe [--close] [seconds to wait, default 30]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/gbk_codec.h"
#include "platform/win32/windows_include.h"
#include "console_text.h"
#include "flow/startup_flow.h"

namespace {

struct Search {
  std::wstring prefix;
  HWND found = nullptr;
  std::wstring caption;
};

BOOL CALLBACK VisitChild(HWND child, LPARAM param) {
  Search& search = *reinterpret_cast<Search*>(param);
  wchar_t class_name[64] = {};
  GetClassNameW(child, class_name, 64);
  if (lstrcmpiW(class_name, L"Static") != 0) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(child, text, 256);
  std::wstring caption = text;
  if (caption.compare(0, search.prefix.size(), search.prefix) != 0) return TRUE;
  search.found = child;
  search.caption = caption;
  return FALSE;
}

BOOL CALLBACK VisitTop(HWND top, LPARAM param) {
  EnumChildWindows(top, VisitChild, param);
  return reinterpret_cast<Search*>(param)->found == nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  bool close = false;
  int seconds = 30;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--close") {
      close = true;
    } else {
      seconds = std::atoi(argv[i]);
    }
  }
  const std::u16string prefix = qmb::GbkToUtf16(qmb::kMessageWindowPrefix);
  Search search;
  search.prefix.assign(prefix.begin(), prefix.end());
  for (int waited = 0; waited < seconds * 10 && search.found == nullptr; ++waited) {
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) Sleep(100);
  }
  if (search.found == nullptr) {
    std::printf("no message window\n");
    return 1;
  }
  std::printf("caption: %s\n", Utf8(search.caption).c_str());
  HWND top = GetAncestor(search.found, GA_ROOT);
  LONG style = GetWindowLongW(search.found, GWL_STYLE);
  LONG ex_style = GetWindowLongW(search.found, GWL_EXSTYLE);
  RECT rect = {};
  GetWindowRect(search.found, &rect);
  MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&rect), 2);
  std::printf("style: 0x%08lX ex-style: 0x%08lX size: %ldx%ld\n", static_cast<unsigned long>(style),
              static_cast<unsigned long>(ex_style), rect.right - rect.left, rect.bottom - rect.top);
  if (close) {
    DWORD process = 0;
    GetWindowThreadProcessId(top, &process);
    PostMessageW(top, WM_CLOSE, 0, 0);
    std::printf("closed\n");
    // The wizard asks before it ends; its exit question is answered "yes".
    for (int waited = 0; waited < seconds * 10 && IsWindow(top); ++waited) {
      for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box != nullptr;
           box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner == process && IsWindowVisible(box)) {
          PostMessageW(box, WM_COMMAND, IDYES, 0);
          std::printf("answered the exit question\n");
          waited = seconds * 10;
          break;
        }
      }
      Sleep(100);
    }
  }
  std::fflush(stdout);
  return 0;
}
