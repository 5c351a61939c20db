// Prints every link below the given folders as the shell's link object reads it back:
//   read_links.exe FOLDER...
// One line per link: "link PATH => target|arguments|description|icon,index|hotkey" (UTF-8).
#include <cstdio>
#include <string>

#include "console_text.h"
#include "shell_link.h"

#include <shellapi.h>

namespace {

void ListLinks(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ListLinks(path);
    } else if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".lnk") == 0) {
      std::printf("link %s => %s\n", Utf8(path).c_str(), Utf8(ReadLink(path)).c_str());
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) {
    std::printf("usage: read_links FOLDER...\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) ListLinks(argv[i]);
  return 0;
}
