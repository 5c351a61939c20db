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

// True when folder, or a folder between it and the install folder, is a junction or link.
bool IsLinkOrBehindOne(Files& files, const std::string& folder, const std::string& install) {
  for (std::string f = folder;; f = ParentFolder(f)) {
    if (files.GetAttributes(f).value_or(0) & kAttrReparsePoint) return true;
    if (!IsBelowFolder(f, install)) return false;
  }
}

}  // namespace

void RemoveCreatedFolder(Context& ctx, const std::string& folder) {
  Files& files = ctx.platform.files;
  const PathProblem problem = CheckFullPath(folder);
  if (problem != PathProblem::kNone) {
    ctx.log.Failure("uninstall: folder \"" + folder + "\" " +
                    std::string(PathProblemText(problem)) + "; kept");
    return;
  }
  if (!files.IsDirectory(folder)) return;
  if (IsLinkOrBehindOne(files, folder, ctx.uninstall.install_folder)) {
    ctx.log.Step("uninstall: " + folder + " is a link; kept");
    return;
  }
  if (FolderHasEntries(files, folder)) {
    ctx.log.Step("uninstall: " + folder + " is not empty; kept");
    return;
  }
  ShowProgressLine(ctx, kLineFolder + folder);
  if (files.RemoveFolder(folder)) {
    ctx.log.Step("uninstall: removed " + folder);
  } else {
    ctx.log.Failure("uninstall: cannot remove " + folder);
  }
}

namespace {

// The folders the install created, deepest first, each only when it is empty. A record of an older
// install lists none; of its folders only the install folder, which it names, goes when empty.
void RemoveCreatedFolders(Context& ctx) {
  ShowProgressLine(ctx, kLineFolders);
  std::vector<std::string> folders =
      CreatedFolderListOf(ctx.uninstall.record).value_or(std::vector{ctx.uninstall.install_folder});
  SortDeepestFirst(folders);
  UninstallState& state = ctx.uninstall;
  for (const std::string& folder : folders) {
    RemoveCreatedFolder(ctx, folder);
    // Kept for the clean-up run when the launcher, still running, is what holds it.
    if (!state.launcher_left.empty() && ctx.platform.files.IsDirectory(folder))
      state.folders_left.push_back(folder);
  }
}

// The registry keys the install created, deepest first, each only when it holds neither values nor
// subkeys. A record of an older install lists none, and no key goes.
void RemoveCreatedKeys(Context& ctx) {
  std::vector<CreatedKey> keys =
      CreatedKeyListOf(ctx, ctx.uninstall.record).value_or(std::vector<CreatedKey>{});
  SortDeepestFirst(keys);
  Registry& registry = ctx.platform.registry;
  const bool two_views = ctx.platform.env.Is64BitWindows();
  for (const CreatedKey& k : keys) {
    const RegView view = two_views && k.view == "64" ? RegView::k64 : RegView::k32;
    if (registry.DeleteEmptyKey(k.root, k.key, view))
      ctx.log.Step("uninstall: registry key " + k.key + " (" + k.view + ") deleted");
    else
      ctx.log.Step("uninstall: registry key " + k.key + " (" + k.view +
                   ") kept: missing or not empty");
  }
}

// The values of the product's uninstall entry, in the view the install wrote it (both views for a
// record of an older install), and only where the entry names this install folder: another
// install of the same product name keeps its entry. The key goes when nothing else is left in it.
void RemoveUninstallEntry(Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  Registry& registry = ctx.platform.registry;
  const std::string key = kUninstallKey + state.product_name;
  const std::string recorded = state.record_ini.Value(kRecordSection, kEntryViewKey);
  std::vector<RegView> views;
  if (recorded != "32") views.push_back(RegView::k64);
  if (recorded != "64") views.push_back(RegView::k32);
  if (!ctx.platform.env.Is64BitWindows()) views = {RegView::k32};
  ShowProgressLine(ctx, kLineRegistry + key);
  for (const RegView view : views) {
    const std::string where = key + (view == RegView::k64 ? " (64)" : " (32)");
    const std::optional<std::string> location =
        registry.QueryString(RegRoot::kLocalMachine, key, "InstallLocation", view);
    if (!location) continue;
    // The entry names the folder for 64-bit programs; an older one named it as this program does.
    const std::string named = NormalizePath(*location);
    if (!EqualsIgnoreCase(named, state.install_folder) &&
        !EqualsIgnoreCase(named, PathFor64BitPrograms(ctx, state.install_folder))) {
      ctx.log.Step("uninstall: " + where + " names another folder; kept");
      continue;
    }
    for (const char* name : kUninstallEntryValues)
      registry.DeleteValue(RegRoot::kLocalMachine, key, name, view);
    const bool gone = registry.DeleteEmptyKey(RegRoot::kLocalMachine, key, view);
    ctx.log.Step("uninstall: uninstall entry " + where +
                 (gone ? " deleted" : " emptied of its values"));
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
  // A path ending in a backslash names the key's default value: the unnamed value goes, the key
  // with its other values stays.
  const std::string key = ParentFolder(path);
  const std::string name = FileNameOf(path);
  const RegView view =
      ctx.platform.env.Is64BitWindows() && view_text == "64" ? RegView::k64 : RegView::k32;
  const bool deleted = ctx.platform.registry.DeleteValue(root, key, name, view);
  ctx.log.Step("uninstall: registry " + path + " (" + view_text + ")" +
               (deleted ? ": value deleted" : ": nothing to delete"));
}

void RemoveAll(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  Env& env = ctx.platform.env;

  if (HasTaskbarVerbs(ctx) && !state.main_program.empty())
    ctx.platform.shell.InvokeTaskbarVerb(state.install_folder, state.main_program, false);

  RemoveUninstallEntry(ctx);
  for (const std::string& link : LinkListOf(ctx, state.record_ini)) RemoveLink(ctx, link);
  for (const RegistryItem& item : state.registry_list) RemoveRegistryItem(ctx, item);
  RemoveFiles(ctx);

  // The launcher, which the working copy is named after.
  Files& files = ctx.platform.files;
  const std::string launcher = JoinPath(state.install_folder, FileNameOf(env.ModulePath()));
  if (files.Exists(launcher) && !files.IsDirectory(launcher)) {
    RemoveOneFile(ctx, launcher);
    // It waits for this program to end; the clean-up run deletes it afterwards.
    if (files.Exists(launcher)) state.launcher_left = launcher;
  }
  RemoveCreatedKeys(ctx);
  RemoveCreatedFolders(ctx);
  ShowFinishedPage(ctx);
}

}  // namespace qmb
