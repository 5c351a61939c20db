// Runs real commands through the install script's program runner on Windows:
//   script_runs_check.exe FOLDER
// FOLDER (for example C:\qmbscript) must exist. The runs write files there; the checks that need
// the waiting are made here at once, the rest by the test script. Prints one line per check; the
// exit code is the number of failed checks.
#include <cstdio>
#include <string>

#include "base/text.h"
#include "context/context.h"
#include "platform/win32/win32_platform.h"
#include "script/command_runner.h"
#include "script/script_runner.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok" : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::printf("usage: script_runs_check FOLDER\n");
    return 100;
  }
  const std::string folder = argv[1];
  qmb::Win32Platform win32;
  qmb::Context ctx(win32.platform());
  ctx.log.SetSink([](std::string_view line) { std::fwrite(line.data(), 1, line.size(), stdout); });
  qmb::Files& files = ctx.platform.files;
  auto exists = [&](const char* name) { return files.Exists(folder + "\\" + name); };

  // A program without a drive: a hidden process, waited for, so its file is there at once.
  qmb::RunCommand(ctx, "cmd /c echo hidden> " + folder + "\\a.txt", true, true, false);
  Check(exists("a.txt"), "process started hidden and waited for");

  // Script lines against the tree: a two-line "%ET%" command becomes a batch file run by cmd
  // through the shell and waited for; a line for the other tick state does not run.
  ctx.wizard.install_folder = folder;
  ctx.wizard.tree.Item(1).ticked = true;
  qmb::RunScriptSection(ctx,
                        "\r\n[真]cmd /c echo one> %InstallPath%\\b.txt%ET%echo two>> "
                        "%InstallPath%\\b.txt\r\n[假]cmd /c echo no> %InstallPath%\\d.txt",
                        "桌面快捷方式");
  Check(exists("b.txt"), "batch file of two lines run and waited for");
  Check(!exists("d.txt"), "unticked line not run for a ticked component");

  // A drive path with arguments goes through the shell, hidden and waited for.
  qmb::RunCommand(ctx, "C:\\windows\\system32\\cmd.exe /c echo shell> " + folder + "\\c.txt",
                  true, true, false);
  Check(exists("c.txt"), "drive path started through the shell and waited for");

  std::printf("%d failed\n", g_failures);
  return g_failures;
}
