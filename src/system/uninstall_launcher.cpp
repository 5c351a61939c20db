// The launcher's steps over the ports.
#include "system/uninstall_launcher.h"

#include <string_view>

#include "base/marked_section.h"
#include "base/package_layout.h"
#include "base/path.h"
#include "base/value_store.h"
#include "startup/command_line.h"
#include "system/uninstaller_file.h"
#include "system/windows_info.h"

namespace qmb {

namespace {

constexpr char kCannotStart[] = "无法启动卸载程序：";

// The product name the packaging tool wrote into the NAME resource, up to its first zero byte.
std::string ProductName(Context& ctx) {
  const std::string name =
      ctx.platform.env.LoadResource(kLauncherNameType, kLauncherNameId).value_or("");
  return name.substr(0, name.find('\0'));
}

// A program image behind the lead byte, ending with the uninstaller's package kind; anything else
// is no uninstaller data. A file cut short has lost that kind, and its copy would not start as
// the uninstaller.
bool IsUninstallData(std::string_view data) {
  return data.size() > 3 && data[0] == kUninstallDataLead && data.substr(1, 2) == "MZ" &&
         data.ends_with(BuildSection(kKindOpenMark, kKindUninstaller, kKindCloseMark));
}

// Logs why the uninstaller cannot start and tells the user with message; the exit code. Only a
// plain start (the installed-programs list, a double click) gets the box: a start with switch
// words is a script's, maybe a hidden one, that must end rather than wait for a click. Which
// words mean hidden only the record knows, and it may be what is missing.
int Refuse(Context& ctx, const std::string& why, const std::string& message) {
  ctx.log.Failure("launcher: " + why);
  if (ArgumentTextOf(ctx.platform.env.CommandLine()).empty())
    ctx.platform.dialogs.MessageBox(message, "", kMbIconError);
  return kLauncherFailed;
}

// The folder that holds uninst.dat. Started by a 64-bit program through "<Windows>\System32\...",
// a launcher under WOW64 has its own path in those terms, where its file opens are redirected to
// SysWOW64; its files are then reached through "Sysnative".
std::string InstallFolderOf(Context& ctx, const std::string& own) {
  const std::string folder = ParentFolder(own);
  if (ctx.platform.files.Exists(JoinPath(folder, "uninst.dat"))) return folder;
  const std::string real = PathFrom64BitPrograms(ctx, folder);
  if (real != folder) ctx.log.Step("launcher: " + folder + " is reached as " + real);
  return real;
}

// The working copy: the data without its lead byte, then the zero block.
bool WriteWorkingCopy(Files& files, const std::string& path, std::string_view data) {
  const std::string_view image = data.substr(1);
  if (!files.CreateSizedFile(path, image.size() + kWorkingCopyPadding)) return false;
  auto out = files.OpenWrite(path, false);
  return out && out->Write(image.data(), image.size());
}

}  // namespace

std::string UninstallCommandLine(const std::string& copy, const std::string& install_folder,
                                 const std::string& working_folder, const std::string& arguments) {
  std::string line = "\"" + copy + "\" \"" + install_folder + "\" \"" + working_folder + "\" 卸载";
  if (!arguments.empty()) line += " " + arguments;
  return line;
}

int RunUninstallLauncher(Context& ctx) {
  Files& files = ctx.platform.files;
  Env& env = ctx.platform.env;
  const std::string root = env.TempFolder() + "Uninstall";
  if (files.Exists(root) && !files.RemoveTree(root))
    ctx.log.Failure("launcher: cannot empty " + root);
  files.CreateDirectory(root);

  const std::string own = env.ModulePath();
  const std::string install_folder = InstallFolderOf(ctx, own);
  const std::string data_path = JoinPath(install_folder, "uninst.dat");
  if (!files.Exists(data_path) || files.IsDirectory(data_path))
    return Refuse(ctx, "no " + data_path, kUninstallDataMissing);

  const std::string working = JoinPath(root, SafeFileName(ProductName(ctx)));
  if (!files.CreateDirectory(working))
    return Refuse(ctx, "cannot make " + working, kCannotStart + working);

  const std::string data = files.ReadAll(data_path).value_or("");
  if (!IsUninstallData(data))
    return Refuse(ctx, data_path + " holds no program", kUninstallDataMissing);
  const std::string copy = JoinPath(working, FileNameOf(own));
  if (!WriteWorkingCopy(files, copy, data))
    return Refuse(ctx, "cannot write " + copy, kCannotStart + copy);

  const std::string skin = FindSection(data, kSkinOpenMark, kSkinCloseMark).value_or("");
  std::string icon;
  if (StoreGet(skin, kSkinIconName, icon) && icon != kStoreEmptyValue) {
    if (files.WriteAll(JoinPath(working, "uninst.ico"), icon)) {
      ctx.log.Step("launcher: wrote uninst.ico, " + std::to_string(icon.size()) + " bytes");
    } else {
      ctx.log.Failure("launcher: cannot write uninst.ico");
    }
  }

  const std::string line = UninstallCommandLine(copy, install_folder, working,
                                                ArgumentTextOf(env.CommandLine()));
  // Waiting lets a script wait for the removal and see how it ended; the copy deletes this
  // launcher once it has ended.
  ctx.log.Step("launcher: starting " + line);
  const std::optional<uint32_t> code = ctx.platform.processes.RunIn(line, working);
  if (!code) return Refuse(ctx, "cannot start " + line, kCannotStart + copy);
  ctx.log.Step("launcher: the uninstaller ended with exit code " + std::to_string(*code));
  return static_cast<int>(*code);
}

}  // namespace qmb
