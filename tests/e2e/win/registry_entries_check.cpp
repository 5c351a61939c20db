// Runs the installer's registry step against the real registry:
//   registry_entries_check.exe
// The package's values go to both views (one with the install folder, one DWORD, a default value, a
// binary value), a version-5 registry script with Chinese text runs through regedit, and the
// uninstall entry is written. The test script reads the results back with `reg`; this program
// prints the log and the removal list, and checks what only it can see (the temp script is gone).
#include <cstdio>
#include <string>

#include "base/registry_store.h"
#include "base/text.h"
#include "base/value_store.h"
#include "console_text.h"
#include "context/context.h"
#include "platform/win32/win32_platform.h"
#include "system/registry_entries.h"

int main() {
  qmb::Win32Platform win32;
  qmb::Context ctx(win32.platform());
  ctx.log.SetSink(
      [](std::string_view line) { Print("log", std::string(line.substr(0, line.size() - 2))); });

  // "運" ends in the byte 0x5C, which a registry script must not see doubled.
  ctx.wizard.install_folder = "C:\\qmbreg 测试\\運行";
  ctx.settings.data = qmb::IniFile(
      "[禾木软件安装配置]\r\n禾木软件名称=注册表测试\r\n软件版本=2.0\r\n公司名称=禾木\r\n"
      "包内的程序名=demo.exe\r\n是否生成卸载程序=1\r\n");
  const std::string key = "HKEY_LOCAL_MACHINE\\Software\\qmbregtest";
  ctx.settings.registry_data = qmb::BuildRegistryStore({
      {key, qmb::kRegSzType, "%InstallPath%\\a.exe", "", "v32", "32"},
      {key, qmb::kRegDwordType, "255", "真", "v64", "64"},
      {key, qmb::kRegSzType, "默认", "真", "", "64"},
      {"HKEY_CURRENT_USER\\Software\\qmbregtest", qmb::kRegBinaryType,
       std::string("\x00\x01\xFF", 3), "", "bin", "32"},
      {"", qmb::kRegScriptType,
       "Windows Registry Editor Version "
       "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\qmbregtest\\脚本]\r\n"
       "\"路径\"=\"SXG(%InstallPath%)\\\\bin\"\r\n",
       "", "", ""},
  });
  qmb::WriteRegistryEntries(ctx);
  // The install writes the entry last, once the uninstaller's files are there.
  qmb::WriteUninstallEntry(ctx);

  for (const std::string& line : qmb::Split(ctx.system.uninstall_registry_list, "\r\n"))
    if (!line.empty()) Print("remove", qmb::ReplaceAll(line, qmb::kStoreEmptyValue, "<default>"));
  const bool script_gone = !ctx.platform.files.Exists(ctx.platform.env.TempFolder() + "QMB.reg");
  std::printf("%s temp script removed\n", script_gone ? "ok" : "FAIL");
  return script_gone ? 0 : 1;
}
