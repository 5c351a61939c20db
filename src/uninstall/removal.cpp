// The removal. The record decides what goes; the checks here decide what a damaged record cannot
// make go: paths that are not sound full paths, folders named as files or links, links that are
// no links, registry paths without a known root, and folders that still hold anything.
#include "uninstall/removal.h"

#include <vector>

#include "base/path.h"
#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "extract/install_progress.h"
#include "script/command_runner.h"
#include "startup/list_count.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_registry.h"
#include "system/folder_walk.h"
#include "system/registry_path.h"
#include "system/shortcut_locations.h"
#include "system/windows_info.h"
#include "uninstall/removal_lists.h"
#include "uninstall/removal_paths.h"
#include "uninstall/uninstall_texts.h"
#include "uninstall/uninstall_view.h"

namespace qmb {

namespace {

constexpr char kRecordSection[] = "软件卸载配置";
// The record keeps the uninstall-time commands under the settings' own section name.
constexpr const char* kCommandSection = kUninstallRunsSection;
constexpr char kAllUsersPrograms[] = "ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

// Deletes one file: read-only cleared first. A file that is already gone counts as deleted.
void RemoveOneFile(Context& ctx, const std::string& path) {
  Files& files = ctx.platform.files;
  if (!files.Exists(path)) {
    ctx.log.Step("uninstall: " + path + " was gone already");
    return;
  }
  files.SetAttributes(path, kAttrArchive);
  if (files.RemoveFile(path)) {
    ctx.log.Step("uninstall: deleted " + path);
  } else {
    ctx.log.Failure("uninstall: cannot delete " + path);
  }
}

// The refusal of a record entry, or empty when the entry may go.
std::string Refusal(Context& ctx, const std::string& path) {
  const PathProblem problem = CheckFullPath(path);
  if (problem != PathProblem::kNone) return std::string(PathProblemText(problem));
  if (ctx.platform.files.IsDirectory(path)) return "names a folder";
  return {};
}

void RemoveLink(Context& ctx, const std::string& link) {
  if (link.empty()) return;  // the piece after the last comma
  std::string refusal = Refusal(ctx, link);
  if (refusal.empty() && !HasLinkExtension(FileNameOf(link))) refusal = "names no link";
  if (!refusal.empty()) {
    ctx.log.Failure("uninstall: link \"" + link + "\" " + refusal + "; not deleted");
    return;
  }
  ShowProgressLine(ctx, kLineFile + link);
  RemoveOneFile(ctx, link);
}

void RemoveGroup(Context& ctx, const std::string& folder) {
  if (ctx.platform.files.RemoveTree(folder)) {
    ctx.log.Step("uninstall: removed start-menu group " + folder);
  } else {
    ctx.log.Failure("uninstall: cannot remove start-menu group " + folder);
  }
}

// The product's start-menu group, the group a controlling process named at install time, and the
// all-users group on the drive of the last one.
void RemoveStartMenuGroups(Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  const std::string programs = ctx.platform.env.GetSpecialFolder(SpecialFolder::kPrograms);
  if (CheckFullPath(programs) != PathProblem::kNone) {
    ctx.log.Failure("uninstall: no Programs folder; start-menu groups stay");
    return;
  }
  std::string last = JoinPath(programs, state.product_name);
  RemoveGroup(ctx, last);
  const std::string other = state.record_ini.Value(kRecordSection, "开始菜单栏名称");
  if (!other.empty()) {
    if (IsSoundName(other)) {
      last = JoinPath(programs, other);
      RemoveGroup(ctx, last);
    } else {
      ctx.log.Failure("uninstall: start-menu group name \"" + other + "\" is not sound; kept");
    }
  }
  RemoveGroup(ctx, last.substr(0, 3) + kAllUsersPrograms + state.product_name);
}

void RemoveRegistryItem(Context& ctx, const RegistryItem& item) {
  if (item.path == kStoreEmptyValue) return;
  // A line of the key's default value ends in an empty name or in the stored mark of the unnamed
  // value. Taken literally it would name a value "" of the key's parent, or a value called by the
  // mark, and the default value would stay behind; the key keeps its trailing backslash instead, so
  // that the value deleted is the key's own unnamed one.
  const std::string name = FileNameOf(item.path);
  const bool default_value = name.empty() || name == kStoreEmptyValue;
  const auto parsed = default_value ? ParseRegistryPath(ParentFolder(item.path), "", true)
                                    : ParseRegistryPath(item.path, name, false);
  if (!parsed || parsed->key.empty()) {
    ctx.log.Failure("uninstall: registry path \"" + item.path +
                    "\" has no known root; not deleted");
    return;
  }
  ShowProgressLine(ctx, kLineRegistry + item.path);
  DeleteRegistryItem(ctx, parsed->root, parsed->key, item.view);
}

void RemoveFiles(Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  const size_t count = state.file_list.size();
  for (size_t i = 0; i < count; ++i) {
    const std::string& path = state.file_list[i];
    if (path.empty()) continue;
    const std::string refusal = Refusal(ctx, path);
    if (!refusal.empty()) {
      ctx.log.Failure("uninstall: file \"" + path + "\" " + refusal + "; not deleted");
      continue;
    }
    if (state.view != nullptr) state.view->SetProgress(static_cast<int32_t>((i + 1) * 100 / count));
    RemoveOneFile(ctx, path);
    ShowProgressLine(ctx, kLineFile + path);
  }
}

// Every folder below the install folder that is empty, deepest first. Nothing is removed through a
// junction or link: what lies behind it is not the installation's.
void RemoveEmptyFolders(Context& ctx) {
  Files& files = ctx.platform.files;
  const std::string& install = ctx.uninstall.install_folder;
  ShowProgressLine(ctx, kLineFolders);
  const std::vector<std::string> folders = ListSubfolders(files, install, true, nullptr).paths;
  std::vector<std::string> links;
  for (const std::string& folder : folders)
    if (files.GetAttributes(folder).value_or(0) & kAttrReparsePoint) links.push_back(folder);
  for (const std::string& folder : folders) {
    bool behind_link = false;
    for (const std::string& link : links)
      behind_link = behind_link || folder == link || IsBelowFolder(folder, link);
    if (behind_link || FolderHasEntries(files, folder)) continue;
    ShowProgressLine(ctx, kLineFolder + folder);
    if (!files.RemoveFolder(folder)) ctx.log.Failure("uninstall: cannot remove " + folder);
  }
}

void ShowFinishedPage(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  state.finished = true;
  if (state.view == nullptr) return;
  state.view->SelectLastLogLine();
  state.view->SetProgress(100);
  state.view->SetActionButton(kFinishCaption, true);
  state.view->SetHeading(DoneHeading(), DoneSubheading(state));
}

}  // namespace

void RunUninstallCommands(Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  const IniFile& record = state.record_ini;
  const std::string& install = state.install_folder;
  const int count = ListCount(ctx, record.Value(kCommandSection, "欲运行的次数"), kCommandSection);
  for (int i = 1; i <= count; ++i) {
    const std::string n = std::to_string(i);
    const std::string file = ReplaceAll(
        ReplaceAll(record.Value(kCommandSection, "参数运行文件名" + n), "%InstallPath%", install),
        "**", "\"");
    std::string command = IsTrue(record.Value(kCommandSection, "是否外部运行" + n))
                              ? file
                              : "\"" + install + "\"\\" + file;
    command = ReplaceAll(command, "%InstallPath%", install);
    ctx.log.Step("uninstall: command " + n + ": " + command);
    RunCommand(ctx, command, IsTrue(record.Value(kCommandSection, "是否等待返回" + n)),
               IsTrue(record.Value(kCommandSection, "是否隐藏窗口" + n)), false);
  }
}

void DeleteRegistryItem(Context& ctx, RegRoot root, const std::string& path,
                        const std::string& view_text) {
  Registry& registry = ctx.platform.registry;
  const std::string key = ParentFolder(path);
  const std::string name = FileNameOf(path);
  // A path ending in a backslash names the key's default value; the key is then the path's folder.
  const std::string whole_key = name.empty() ? key : path;
  const std::string where = path + " (" + view_text + ")";
  if (ctx.platform.env.Is64BitWindows() && view_text == "64") {
    const bool value = registry.DeleteValue(root, key, name, RegView::k64);
    const bool whole = registry.DeleteLeafKey(root, whole_key, RegView::k64);
    ctx.log.Step("uninstall: registry " + where + (value ? ": value deleted" : "") +
                 (whole ? ": key deleted" : ""));
  } else if (registry.DeleteValue(root, key, name, RegView::k32)) {
    ctx.log.Step("uninstall: registry " + where + ": value deleted");
  } else if (registry.DeleteLeafKey(root, whole_key, RegView::k32)) {
    ctx.log.Step("uninstall: registry " + where + ": key deleted");
  } else {
    ctx.log.Step("uninstall: registry " + where + ": nothing to delete");
  }
}

void RemoveAll(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  Env& env = ctx.platform.env;
  const std::string link_name = state.product_name + ".lnk";

  if (HasTaskbarVerbs(ctx) && !state.main_program.empty())
    ctx.platform.shell.InvokeTaskbarVerb(state.install_folder, state.main_program, false);

  const std::string quick_launch_link = JoinPath(QuickLaunchFolder(ctx), link_name);
  ShowProgressLine(ctx, kLineFile + quick_launch_link);
  const std::string desktop_link =
      JoinPath(env.GetSpecialFolder(SpecialFolder::kDesktop), link_name);
  RemoveOneFile(ctx, desktop_link);
  ShowProgressLine(ctx, kLineFile + desktop_link);
  const std::string entry = kUninstallKey + state.product_name;
  DeleteRegistryItem(ctx, RegRoot::kLocalMachine, entry, "64");
  DeleteRegistryItem(ctx, RegRoot::kLocalMachine, entry, "32");
  ShowProgressLine(ctx, kLineRegistry + entry);
  RemoveOneFile(ctx, quick_launch_link);

  for (const std::string& link : LinkListOf(ctx, state.record_ini)) RemoveLink(ctx, link);
  RemoveStartMenuGroups(ctx);
  for (const RegistryItem& item : state.registry_list) RemoveRegistryItem(ctx, item);
  RemoveFiles(ctx);
  RemoveEmptyFolders(ctx);

  // The launcher, which the working copy is named after.
  Files& files = ctx.platform.files;
  const std::string launcher = JoinPath(state.install_folder, FileNameOf(env.ModulePath()));
  if (files.Exists(launcher) && !files.IsDirectory(launcher)) RemoveOneFile(ctx, launcher);
  if (!FolderHasEntries(files, state.install_folder)) {
    if (files.RemoveFolder(state.install_folder)) {
      ctx.log.Step("uninstall: removed " + state.install_folder);
    } else {
      ctx.log.Failure("uninstall: cannot remove " + state.install_folder);
    }
  }
  ShowFinishedPage(ctx);
}

}  // namespace qmb
