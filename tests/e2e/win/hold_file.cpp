// Holds a file open without sharing, as another program that has the file in use does: nobody
// else may open, replace, rename or delete it meanwhile. Prints "ready" once the file is open and
// keeps it until its standard input ends (or a line arrives) or the time runs out.
//   hold_file.exe PATH [seconds, default 120]
// Exit code 0 after holding the file, 1 when it could not be opened.
#include <cstdio>
#include <cstdlib>

#include "platform/win32/windows_include.h"

#include <shellapi.h>

namespace {

// Reads the standard input until it ends or brings a byte.
DWORD WINAPI AwaitInput(void*) {
  char byte = 0;
  DWORD read = 0;
  ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &read, nullptr);
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (args == nullptr || count < 2) {
    std::fprintf(stderr, "usage: hold_file PATH [seconds]\n");
    return 1;
  }
  const DWORD seconds = count > 2 ? static_cast<DWORD>(_wtoi(args[2])) : 120;
  HANDLE file = CreateFileW(args[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open the file: error %lu\n", GetLastError());
    return 1;
  }
  std::printf("ready\n");
  std::fflush(stdout);
  HANDLE waiter = CreateThread(nullptr, 0, AwaitInput, nullptr, 0, nullptr);
  if (waiter != nullptr) {
    WaitForSingleObject(waiter, seconds * 1000);
  } else {
    Sleep(seconds * 1000);
  }
  CloseHandle(file);
  std::printf("released\n");
  return 0;
}
