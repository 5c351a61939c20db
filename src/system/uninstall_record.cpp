// The uninstall record and the uninstaller's files. The record is built in memory and only lives
// inside "uninst.dat"; the install folder gets no "uninst.ini".
#include "system/uninstall_record.h"

#include "base/ini.h"
#include "base/marked_section.h"
#include "base/package_layout.h"
#include "base/path.h"
#include "base/value_store.h"
#include "extract/folder_path.h"
#include "extract/install_progress.h"
#include "startup/list_count.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"
#include "startup/settings_registry.h"
#include "startup/support_dlls.h"
#include "system/registry_entries.h"
#include "system/shortcut_locations.h"
#include "system/system_settings.h"
#include "system/uninstaller_file.h"

namespace qmb {

namespace {

constexpr char kRecordSection[] = "软件卸载配置";
// The record keeps the uninstall-time commands under the settings' own section name.
constexpr const char* kCommandSection = kUninstallRunsSection;
constexpr char kOptionSection[] = "卸载选项";

const char* Boolean(bool value) { return value ? "真" : "假"; }

void WriteProductKeys(Context& ctx, IniFile& ini) {
  ini.Set(kRecordSection, "软件名称", ReadSetting(ctx, "禾木软件名称"));
  ini.Set(kRecordSection, "软件版本", ReadSetting(ctx, "软件版本"));
  ini.Set(kRecordSection, "主程序名", ReadSetting(ctx, "包内的程序名"));
  ini.Set(kRecordSection, "卸载路径", ctx.wizard.install_folder);
  ini.Set(kRecordSection, "快捷方式个数", std::to_string(ctx.system.shortcuts.size()));
  ini.Set(kRecordSection, "开始菜单栏名称", ctx.system.alternative_start_menu_name);
  ini.Set(kRecordSection, "卸载模式", ReadSetting(ctx, "卸载模式"));
  ini.Set(kRecordSection, kEntryViewKey, UninstallEntryView(ctx));
  for (const char* key : {"jp", "hideend", "hp"})
    ini.Set(kSwitchSection, key, ReadSettingIn(ctx, kSwitchSection, key));
}

void WriteUninstallCommands(Context& ctx, IniFile& ini) {
  const std::vector<AfterInstallRun>& runs = ctx.wizard.uninstall_runs;
  ini.Set(kCommandSection, "欲运行的次数", std::to_string(runs.size()));
  for (size_t n = 0; n < runs.size(); ++n) {
    const std::string i = std::to_string(n + 1);
    ini.Set(kCommandSection, "是否外部运行" + i, runs[n].external);
    ini.Set(kCommandSection, "参数运行文件名" + i, runs[n].file);
    ini.Set(kCommandSection, "是否隐藏窗口" + i, Boolean(runs[n].hidden));
    ini.Set(kCommandSection, "是否等待返回" + i, Boolean(runs[n].wait));
  }
}

// "快捷方式" + i: every link of record i that goes at uninstall, each followed by a comma. Only the
// links the install made: one the user has under the same name, where the install made none, stays.
void WriteShortcutLinks(Context& ctx, IniFile& ini) {
  const std::vector<ShortcutRecord>& records = ctx.system.shortcuts;
  for (size_t n = 0; n < records.size(); ++n) {
    if (!records[n].remove_on_uninstall) continue;
    std::string links;
    for (const std::string& link : records[n].made_links) links += link + ",";
    ini.Set(kRecordSection, "快捷方式" + std::to_string(n + 1), links);
  }
}

// The options of the uninstall page, copied key by key from the settings.
void WriteUninstallOptions(Context& ctx, IniFile& ini) {
  const int count =
      ListCount(ctx, ReadSettingIn(ctx, kUninstallOptionListSection, "次数"), kUninstallOptionListSection);
  ini.Set(kOptionSection, "次数", std::to_string(count));
  ini.Set(kOptionSection, "y", ReadSettingIn(ctx, kUninstallOptionListSection, "y"));
  for (int k = 1; k <= count; ++k) {
    for (const char* key : {"标题", "可视", "选中", "程序"}) {
      const std::string name = key + std::to_string(k);
      ini.Set(kOptionSection, name, ReadSettingIn(ctx, kUninstallOptionListSection, name));
    }
  }
}

}  // namespace

std::string BuildUninstallIni(Context& ctx) {
  IniFile ini;
  WriteProductKeys(ctx, ini);
  WriteUninstallCommands(ctx, ini);
  WriteShortcutLinks(ctx, ini);
  WriteUninstallOptions(ctx, ini);
  return ini.Serialize();
}

std::string BuildUninstallFileList(const Context& ctx) {
  const std::string& folder = ctx.wizard.install_folder;
  return ctx.progress.installed_files + JoinPath(folder, "uninst.ini") + "\r\n" +
         JoinPath(folder, "uninst.exe") + "\r\n" + JoinPath(folder, "uninst.dat");
}

std::string BuildSkinStore(const Context& ctx) {
  const SystemState& s = ctx.system;
  std::string store;
  StoreSet(store, "界面小图片", s.small_picture, store);
  StoreSet(store, "界面大图片", s.large_picture, store);
  StoreSet(store, "版权", ReadSetting(ctx, "公司名称"), store);
  StoreSet(store, "x皮肤", "", store);
  StoreSet(store, kSkinIconName, s.uninstaller_icon, store);
  return store;
}

int64_t UninstallerFilesSize(Context& ctx) {
  if (!GeneratesUninstaller(ctx)) return 0;
  const size_t image =
      ReadRuntimeImage(ctx, ctx.platform.env.ModulePath(), kKindOpenMark).size() + 1;  // lead byte
  const auto section = [](std::string_view open, std::string_view close, size_t content) {
    return BuildSection(open, "", close).size() + content;
  };
  const size_t sections =
      section(kUninstallSettingsOpenMark, kUninstallSettingsCloseMark,
              ctx.settings.uninstall_blob.size()) +
      section(kUninstallRecordOpenMark, kUninstallRecordCloseMark,
              BuildUninstallIni(ctx).size() + BuildUninstallFileList(ctx).size()) +
      section(kSkinOpenMark, kSkinCloseMark, BuildSkinStore(ctx).size()) +
      section(kKindOpenMark, kKindCloseMark, kKindUninstaller.size());
  return static_cast<int64_t>(LoadUninstallerResource(ctx).size() + image + sections +
                              ctx.system.uninstaller_icon.size());
}

namespace {

// "uninst.dat" and "uninst.exe" complete; false at the first piece that could not be written.
bool WriteUninstallerFiles(Context& ctx, const std::string& launcher_path,
                           const std::string& data_path) {
  Files& files = ctx.platform.files;
  const std::string& folder = ctx.wizard.install_folder;
  // An extraction that made nothing leaves no folder; the uninstaller still has links and registry
  // values to remove.
  if (!ctx.journal.CreateFolderPath(folder)) {
    ctx.log.Failure("uninstaller: cannot make " + folder);
    return false;
  }
  const std::string record = BuildUninstallIni(ctx);
  const std::string image = ReadRuntimeImage(ctx, ctx.platform.env.ModulePath(), kKindOpenMark);
  if (image.empty() || !ctx.journal.PrepareFile(data_path) ||
      !files.WriteAll(data_path, std::string(1, kUninstallDataLead) + image)) {
    ctx.log.Failure("uninstaller: cannot write " + data_path);
    return false;
  }

  if (!ctx.system.uninstaller_icon.empty()) {
    const std::string dll_folder = SupportDllFolder(ctx);
    const std::string icon_path =
        JoinPath(dll_folder, SafeFileName(ReadSetting(ctx, "禾木软件名称")) + ".ico");
    if (!files.CreateDirectory(dll_folder) || !ctx.journal.PrepareFile(icon_path) ||
        !files.WriteAll(icon_path, ctx.system.uninstaller_icon))
      ctx.log.Failure("uninstaller: cannot write " + icon_path);
  }

  const std::string launcher = LoadUninstallerResource(ctx);
  if (launcher.empty() || !ctx.journal.PrepareFile(launcher_path) ||
      !files.WriteAll(launcher_path, launcher)) {
    ctx.log.Failure("uninstaller: cannot write " + launcher_path);
    return false;
  }

  std::string full_record;
  StoreSet(record, "卸载路径", BuildUninstallFileList(ctx), full_record);
  StoreSet(full_record, "卸载注册表", ctx.system.uninstall_registry_list, full_record);
  const CreatedItems created = ctx.journal.Created();
  StoreSet(full_record, kCreatedFolderListName, FolderListText(created), full_record);
  StoreSet(full_record, kCreatedKeyListName, KeyListText(created), full_record);
  return AppendSection(ctx, data_path, kUninstallSettingsOpenMark, kUninstallSettingsCloseMark,
                       ctx.settings.uninstall_blob) &&
         AppendSection(ctx, data_path, kUninstallRecordOpenMark, kUninstallRecordCloseMark,
                       full_record) &&
         AppendSection(ctx, data_path, kSkinOpenMark, kSkinCloseMark, BuildSkinStore(ctx)) &&
         AppendPackageSection(ctx, data_path, kKindUninstaller);
}

}  // namespace

bool WriteUninstallRecord(Context& ctx) {
  if (!GeneratesUninstaller(ctx)) {
    ctx.log.Step("uninstaller: not asked for");
    return true;
  }
  const std::string& folder = ctx.wizard.install_folder;
  if (folder.empty()) {
    ctx.log.Failure("uninstaller: no install folder");
    return false;
  }
  const std::string launcher_path = JoinPath(folder, "uninst.exe");
  const std::string data_path = JoinPath(folder, "uninst.dat");
  ShowProgressLine(ctx, FormatProgressLine(ctx, 4, launcher_path));
  // The entry in the installed-programs list comes last: it must never point at an uninstaller
  // that is missing or cut short.
  if (!WriteUninstallerFiles(ctx, launcher_path, data_path) || !WriteUninstallEntry(ctx)) {
    if (ctx.outcome.result == InstallResult::kComplete)
      SetOutcome(ctx, InstallResult::kUninstallerFailed,
                 "the uninstaller could not be written into " + folder);
    return false;
  }
  ctx.log.Step("uninstaller: wrote " + launcher_path + " and " + data_path);
  return true;
}

}  // namespace qmb
