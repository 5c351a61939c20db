// The registry step. The install folder only becomes known at install time, so the registry data
// still holds "%InstallPath%" (and its registry-script form "SXG(%InstallPath%)") until here.
#include "system/registry_entries.h"

#include "base/path.h"
#include "base/registry_store.h"
#include "base/text.h"
#include "startup/settings_loader.h"
#include "startup/settings_registry.h"
#include "startup/settings_variables.h"
#include "system/registry_path.h"
#include "system/registry_writer.h"
#include "system/system_settings.h"
#include "system/windows_info.h"

namespace qmb {

namespace {

// Writes one value record; false when the record itself is unusable (nothing was tried).
bool WriteValueRecord(Context& ctx, const RegistryRecord& record) {
  const uint32_t type = RegistryTypeCode(record.type);
  if (type == 0) {
    ctx.log.Failure("registry record of unknown type \"" + record.type + "\": " + record.path);
    return false;
  }
  const std::string name = RegistryValueName(record);
  auto path = ParseRegistryPath(record.path, name, true);
  if (!path) {
    ctx.log.Failure("registry record without a known root: " + record.path);
    return false;
  }
  WriteRegistryValue(ctx, path->root, path->key, name, record.data, type, record.ws);
  return true;
}

}  // namespace

std::string UninstallEntryView(Context& ctx) {
  return IsTrue(ReadSetting(ctx, "I_reg")) ? "64" : "32";
}

bool WriteUninstallEntry(Context& ctx) {
  // Windows' installed-programs list, a 64-bit program, runs the entry: a folder this program
  // names through "Sysnative" must reach it by the name it has there.
  const std::string folder = PathFor64BitPrograms(ctx, ctx.wizard.install_folder);
  const std::string product = ReadSetting(ctx, "禾木软件名称");
  if (product.empty()) {
    // The values would land in the Uninstall key itself.
    ctx.log.Failure("no uninstall entry: the product has no name");
    return false;
  }
  const std::string version = ReadSetting(ctx, "软件版本");
  // Quoted: Windows reads an unquoted path with blanks piece by piece ("C:\Program.exe" first).
  const std::string values[] = {
      JoinPath(folder, ReadSetting(ctx, "包内的程序名")),
      product + " " + version,
      version,
      "\"" + JoinPath(folder, "uninst.exe") + "\"",
      folder,
      ReadSetting(ctx, "公司名称"),
  };
  static_assert(std::size(values) == std::size(kUninstallEntryValues));
  bool written = true;
  for (size_t i = 0; i < std::size(values); ++i)
    written &=
        WriteRegistryValue(ctx, RegRoot::kLocalMachine, kUninstallKey + product,
                           kUninstallEntryValues[i], values[i], kRegSz, UninstallEntryView(ctx));
  return written;
}

void WriteRegistryEntries(Context& ctx) {
  const std::string& folder = ctx.wizard.install_folder;
  const std::string store = ReplaceAll(
      ReplaceAll(ctx.settings.registry_data, "SXG(%InstallPath%)", DoubleBackslashes(folder)),
      "%InstallPath%", folder);
  const bool make_uninstaller = GeneratesUninstaller(ctx);

  std::string removal_list;
  for (const RegistryRecord& record : ReadRegistryRecords(store)) {
    if (record.type == kRegScriptType)
      RunRegistryScript(ctx, record.data);
    else if (!WriteValueRecord(ctx, record))
      continue;  // nothing of it to remove later
    if (IsTrue(record.off))
      removal_list += record.path + "\\" + record.name + "$," + record.ws + "\r\n";
  }
  if (make_uninstaller) ctx.system.uninstall_registry_list = std::move(removal_list);
}

}  // namespace qmb
