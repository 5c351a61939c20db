// The extraction engine on Windows with the real 7-zip32.dll: the assignment pass of a two-group
// "Except.ini" and the main run, as an installation runs them, with the progress callback the
// engine registers. Prints the progress and the installed-files log for the test script:
//   extract_engine_check.exe DLL ARCHIVE INSTALL_FOLDER PASSWORD
// Lines: "percent STEP P" per new overall percentage, "line TEXT" per progress line, "file PATH"
// per installed-files log entry, "run main ok|failed". Exit code 0 when the main run succeeded.
#include <cstdio>
#include <string>

#include "app/setup/archive_library_loader.h"
#include "base/gbk_codec.h"
#include "base/text.h"
#include "context/context.h"
#include "extract/extract_archive.h"
#include "extract/install_progress.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "console_text.h"

#include <shellapi.h>

int main() {
  using namespace qmb;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc != 5) {
    std::printf("usage: extract_engine_check DLL ARCHIVE INSTALL_FOLDER PASSWORD\n");
    return 2;
  }
  Win32Platform platform;
  Context ctx(platform.platform());
  ctx.log.SetSink([](std::string_view line) { Print("log", std::string(line)); });
  const std::wstring dll = argv[1];
  ctx.extract.load_library = [&ctx, dll] { return LoadArchiveLibraryFrom(ctx, Narrow(dll)); };
  ctx.startup.archive_path = Narrow(argv[2]);
  ctx.wizard.install_folder = Narrow(argv[3]);
  const std::string password = Narrow(argv[4]);
  ctx.wizard.progress_templates = {"正在解压：%Default%"};
  ctx.settings.except_text =
      "%InstallPath%\\组一,-1\r\nd.txt,1\r\n%InstallPath%\\deep\\g2,-1\r\nsub\\c.txt,1\r\n"
      "数据\\表格.txt,1\r\n";
  ctx.progress.callbacks.push_back([&ctx](intptr_t p) {
    std::printf("percent %d %d\n", ctx.extract.current_step, static_cast<int>(p));
  });
  ctx.progress.callbacks.push_back(
      [](intptr_t text) { Print("line", reinterpret_cast<const char*>(text)); });

  ExtractAssignedFiles(ctx, password);
  std::string archive = ctx.startup.archive_path;
  std::string destination = ctx.wizard.install_folder;
  const bool ok = ExtractArchive(
      ctx, archive, destination, false, password,
      [&ctx](const std::string& name, int32_t percent) { ReportInstallProgress(ctx, name, percent); },
      ctx.extract.inclusion_list, ctx.extract.exclusion_list, ctx.startup.volume_list);
  for (const std::string& file : Split(ctx.progress.installed_files, "\r\n")) {
    if (!file.empty()) Print("file", file);
  }
  std::printf("run main %s\n", ok ? "ok" : "failed");
  std::fflush(stdout);
  return ok ? 0 : 1;
}
