// Irregularly named split volumes on Windows: the engine unpacks them through the real
// 7-zip32.dll, placeholder volumes and the runtime's CreateFileW patch.
//   volume_extract_check.exe DLL INSTALL_FOLDER PASSWORD VOLUME...
// Lines: "log TEXT" per install-log line, "destination TEXT" (the caller's text afterwards),
// "volume folder gone|left", "entry restored|changed" (CreateFileW's first bytes after the run),
// "run ok|failed". Exit code 0 when the run succeeded.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/setup/archive_library_loader.h"
#include "app/setup/open_redirect.h"
#include "base/gbk_codec.h"
#include "context/context.h"
#include "extract/extract_archive.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"
#include "console_text.h"

#include <shellapi.h>

int main() {
  using namespace qmb;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 5) {
    std::printf("usage: volume_extract_check DLL INSTALL_FOLDER PASSWORD VOLUME...\n");
    return 2;
  }
  Win32Platform platform;
  Context ctx(platform.platform());
  ctx.log.SetSink([](std::string_view line) { Print("log", std::string(line)); });
  const std::wstring dll = argv[1];
  ctx.extract.load_library = [&ctx, dll] { return LoadArchiveLibraryFrom(ctx, Narrow(dll)); };
  CreateFileRedirection redirect;
  ctx.extract.open_redirect = &redirect;
  std::string destination = Narrow(argv[2]);
  const std::string password = Narrow(argv[3]);
  for (int i = 4; i < argc; ++i) ctx.startup.volume_list.push_back(Narrow(argv[i]));

  const auto* entry = reinterpret_cast<const unsigned char*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateFileW"));
  unsigned char before[8];
  std::memcpy(before, entry, sizeof(before));

  std::string archive = ctx.startup.volume_list[0];
  const bool ok = ExtractArchive(ctx, archive, destination, false, password, nullptr, "", "",
                                 ctx.startup.volume_list);
  Print("destination", destination);
  Print("archive", archive);
  std::printf("volume folder %s\n", ctx.platform.files.Exists(destination + "\\7ztemp") ? "left" : "gone");
  std::printf("entry %s\n", std::memcmp(before, entry, sizeof(before)) == 0 ? "restored" : "changed");
  std::printf("run %s\n", ok ? "ok" : "failed");
  std::fflush(stdout);
  return ok ? 0 : 1;
}
