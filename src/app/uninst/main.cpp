// Entry point of the uninstaller launcher "uninst.exe" that every install with an uninstaller
// leaves in its folder.
#include "context/context.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "system/uninstall_launcher.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  qmb::Win32Platform platform;
  qmb::Context ctx(platform.platform());
  qmb::AttachLogFile(ctx);
  return qmb::RunUninstallLauncher(ctx);
}
