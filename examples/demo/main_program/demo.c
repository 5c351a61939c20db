/* The demo product's main program: one greeting box. payload/demo.exe is built from it with
   i686-w64-mingw32-gcc -Os -s -mwindows -o payload/demo.exe main_program/demo.c */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  MessageBoxW(NULL, L"你好！演示软件已经安装好了。", L"演示软件", MB_OK | MB_ICONINFORMATION);
  return 0;
}
