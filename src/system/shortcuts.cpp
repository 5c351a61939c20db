// The shortcut step. Every folder comparison is between normalized paths, byte for byte.
#include "system/shortcuts.h"

#include "base/path.h"
#include "base/text.h"
#include "extract/install_progress.h"
#include "startup/settings_loader.h"
#include "system/folder_walk.h"
#include "system/shortcut_locations.h"
#include "system/system_settings.h"
#include "system/windows_info.h"

namespace qmb {

namespace {

enum KindIndex { kDesktopIndex = 0, kStartMenuIndex = 1, kQuickLaunchIndex = 2 };

// The folders whose links follow the shortcut kinds, normalized.
struct KindFolders {
  std::string desktop;
  std::string programs;          // the user's Programs folder, as the system gives it
  std::string group;             // Programs + the product name
  std::string alternative_group;  // Programs + the alternative name; empty without one
};

KindFolders FindKindFolders(Context& ctx) {
  Env& env = ctx.platform.env;
  KindFolders folders;
  folders.desktop = NormalizePath(env.GetSpecialFolder(SpecialFolder::kDesktop));
  folders.programs = env.GetSpecialFolder(SpecialFolder::kPrograms);
  folders.group = NormalizePath(JoinPath(folders.programs, ReadSetting(ctx, "禾木软件名称")));
  const std::string& alternative = ctx.system.alternative_start_menu_name;
  if (!alternative.empty())
    folders.alternative_group = NormalizePath(JoinPath(folders.programs, alternative));
  return folders;
}

// The kind whose folder is folder (normalized), or -1 for any other folder. Quick launch is looked
// up each time: the walk over the locations may just have created it.
int KindOfFolder(Context& ctx, const KindFolders& folders, const std::string& folder) {
  if (folder == folders.desktop) return kDesktopIndex;
  if (folder == folders.group ||
      (!folders.alternative_group.empty() && folder == folders.alternative_group))
    return kStartMenuIndex;
  if (folder == NormalizePath(QuickLaunchFolder(ctx))) return kQuickLaunchIndex;
  return -1;
}

void PinMainProgram(Context& ctx, const std::string& install_folder) {
  const std::string main_program = ReadSetting(ctx, "包内的程序名");
  if (main_program.empty()) return;
  ctx.platform.dialogs.ProcessPendingMessages();
  if (!HasTaskbarVerbs(ctx)) return;
  ctx.platform.shell.InvokeTaskbarVerb(install_folder, main_program, true);
  ctx.log.Step("shortcuts: pinned " + JoinPath(install_folder, main_program) + " to the taskbar");
}

bool Contains(const std::vector<std::string>& paths, const std::string& path) {
  for (const std::string& p : paths)
    if (EqualsIgnoreCase(p, path)) return true;
  return false;
}

// The links of one record, one per location.
void CreateRecordLinks(Context& ctx, ShortcutRecord& record, const KindFolders& folders,
                       const ShortcutKinds& made, std::vector<std::string>& made_here) {
  Files& files = ctx.platform.files;
  const std::string& install_folder = ctx.wizard.install_folder;
  // The uninstaller is written after the links, so its link cannot wait for the file.
  const bool uninstaller = record.file == kUninstallerTarget && GeneratesUninstaller(ctx);
  if (uninstaller) record.file = "uninst.exe";
  const std::string target = JoinPath(install_folder, record.file);
  const std::string icon =
      uninstaller || record.icon.empty() ? "" : JoinPath(install_folder, record.icon);
  for (std::string folder : SplitLocations(record.locations)) {
    if (!folders.alternative_group.empty() && NormalizePath(folder) == folders.group)
      folder = folders.alternative_group;
    const std::string link = JoinPath(NormalizePath(folder), LinkFileName(record.name));
    const int kind = KindOfFolder(ctx, folders, NormalizePath(folder));
    if (kind >= 0 && !made[kind]) {
      ctx.log.Step("shortcuts: " + link + " skipped, its kind is off");
      continue;
    }
    if (!uninstaller && !files.Exists(target)) {
      ctx.log.Step("shortcuts: " + link + " skipped, no " + target);
      continue;
    }
    // A link of that name that this run did not make is the user's: it stays as it is.
    if (files.Exists(link) && !Contains(made_here, link)) {
      ctx.log.Step("shortcuts: " + link + " exists already and is kept; no link made there");
      continue;
    }
    if (!ctx.journal.CreateFolderPath(folder)) {
      ctx.log.Failure("shortcuts: cannot make the folder " + folder + " for " + record.name);
      continue;
    }
    ShowProgressLine(ctx, FormatProgressLine(ctx, 2, link));
    if (CreateLink(ctx, link, target, record.arguments, icon, true, 0, record.description, "")) {
      record.made_links.push_back(link);
      made_here.push_back(link);
    }
  }
}

}  // namespace

ShortcutKinds ChooseShortcutKinds(const Context& ctx) {
  ShortcutKinds kinds{};
  const std::string& choices = ctx.system.shortcut_choice_list;
  if (!choices.empty()) {
    const std::vector<std::string> values = Split(choices, "$，");
    for (size_t i = 0; i < kinds.size() && i < values.size(); ++i) kinds[i] = ToInt(values[i]) == 1;
    return kinds;
  }
  const ComponentsTree& tree = ctx.wizard.tree;
  for (int kind = kKindDesktop; kind <= kKindQuickLaunch; ++kind)
    kinds[kind - kKindDesktop] = tree.CheckState(FindKindItem(tree, kind)) == 1;
  return kinds;
}

void CreateShortcuts(Context& ctx) {
  if (ctx.wizard.install_folder.empty()) {
    ctx.log.Failure("shortcuts: no install folder");
    return;
  }
  const ShortcutKinds kinds = ChooseShortcutKinds(ctx);
  ctx.log.Step(std::string("shortcuts: desktop ") + (kinds[0] ? "on" : "off") + ", start menu " +
               (kinds[1] ? "on" : "off") + ", quick launch " + (kinds[2] ? "on" : "off"));
  ShortcutKinds made{kinds[kDesktopIndex], kinds[kStartMenuIndex], false};
  if (kinds[kQuickLaunchIndex]) {
    PinMainProgram(ctx, ctx.wizard.install_folder);
    made[kQuickLaunchIndex] = true;
  }

  const KindFolders folders = FindKindFolders(ctx);
  std::vector<std::string> made_here;  // every link of this run, for records that share a name
  for (ShortcutRecord& record : ctx.system.shortcuts)
    CreateRecordLinks(ctx, record, folders, made, made_here);
}

bool CreateLink(Context& ctx, const std::string& link_path, const std::string& target,
                const std::string& arguments, const std::string& icon, bool icon_given,
                int window_style, const std::string& description, const std::string& hotkey) {
  std::string path = link_path;
  if (!HasLinkExtension(FileNameOf(link_path))) path += ".lnk";
  Files& files = ctx.platform.files;
  // While the installation is recorded, an old link is kept aside to be put back on undo.
  if (!ctx.journal.PrepareFile(path)) {
    ctx.log.Failure("shortcuts: " + path + " not made, the old link cannot be kept aside");
    return false;
  }
  if (files.Exists(path) && !files.RemoveFile(path))
    ctx.log.Failure("shortcuts: cannot remove the old link " + path);
  const size_t separator = FindLastCharGbk(target, '\\');
  if (separator == kNotFound) {
    ctx.log.Failure("shortcuts: " + path + " not made, the target " + target + " has no folder");
    return false;
  }
  // The shell that opens the link may be a 64-bit program: it must find the file where this
  // program put it, also below the system folder of a 32-bit program under WOW64.
  const std::string shown = PathFor64BitPrograms(ctx, target);
  LinkSpec link{path,
                shown,
                arguments,
                PathFor64BitPrograms(ctx, target.substr(0, separator + 1)),
                icon_given ? PathFor64BitPrograms(ctx, icon) : shown + ",0",
                window_style,
                description,
                hotkey};
  if (!ctx.platform.shell.CreateLink(link)) {
    ctx.log.Failure("shortcuts: cannot write " + path);
    return false;
  }
  ctx.log.Step("shortcuts: " + path + " -> " + shown + " " + arguments);
  return true;
}

}  // namespace qmb
