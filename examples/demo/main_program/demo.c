/* The demo product's main program: one greeting box. demo.sh builds it into the payload. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)instance;
  (void)previous;
  (void)command_line;
  (void)show;
  MessageBoxW(NULL, L"你好！演示软件已经安装好了。", L"演示软件", MB_OK | MB_ICONINFORMATION);
  return 0;
}
