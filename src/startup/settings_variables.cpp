// Values of the built-in variables, each computed through the ports.
#include "startup/settings_variables.h"

#include "base/path.h"
#include "base/text.h"
#include "base/wow64_paths.h"
#include "startup/settings_registry.h"

namespace qmb {

namespace {

constexpr char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string WindowsFolder(Context& ctx) { return NormalizePath(ctx.platform.env.WindowsFolder()); }

std::string QuickLaunchFolder(Context& ctx) {
  Env& env = ctx.platform.env;
  std::string profile = env.GetVariable("userprofile");
  if (env.GetWindowsVersion().major < 6)
    return profile + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch";
  return profile + "\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
}

}  // namespace

std::optional<std::string> BuiltInVariableValue(Context& ctx, std::string_view name,
                                                const IniFile& data) {
  Env& env = ctx.platform.env;
  auto setting = [&](std::string_view key) { return data.Value(kMainSection, key); };

  if (name == "%ProductName%") return setting("禾木软件名称");
  if (name == "%Version%") return setting("软件版本");
  if (name == "%CompanyCopyright%") return setting("公司名称");
  if (name == "%MainExe%") return setting("包内的程序名");
  if (name == "%ProgramFiles%") return ReplaceAll(env.GetVariable("ProgramFiles"), " (x86)", "");
  if (name == "%ProgramFiles_x86%") return env.GetVariable("ProgramFiles");
  if (name == "%TempDir%") return NormalizePath(env.TempFolder());
  if (name == "%WindowsDir%") return WindowsFolder(ctx);
  // Sysnative is the real system folder as a redirected 32-bit program names it; a 64-bit one has
  // no folder of that name.
  if (name == "%System32%")
    return WindowsFolder(ctx) + (env.RunsUnderWow64() ? "\\Sysnative" : "\\System32");
  if (name == "%SysWoW64%") return WindowsFolder(ctx) + "\\SysWoW64";
  if (name == "%FONTS%") return WindowsFolder(ctx) + "\\Fonts";
  if (name == "%MenuDir%") return NormalizePath(env.GetSpecialFolder(SpecialFolder::kPrograms));
  if (name == "%Desktop%") return NormalizePath(env.GetSpecialFolder(SpecialFolder::kDesktop));
  if (name == "%AppData%") return NormalizePath(env.GetSpecialFolder(SpecialFolder::kAppData));
  if (name == "%MyDocument%")
    return NormalizePath(
        ReadRegistryText(ctx, RegRoot::kCurrentUser, kShellFoldersKey, "Personal"));
  if (name == "%UserName%") return Trim(env.UserName());
  if (name == "%RunPath%") return ctx.startup.run_folder;
  if (name == "%QuickLaunch%") return QuickLaunchFolder(ctx);
  if (name == "%UserProfile%") return env.GetVariable("userprofile");
  if (name == "%LastInPath%") {
    // The uninstall entry names the folder as 64-bit programs see it.
    const std::string last = ReadRegistryText(ctx, RegRoot::kLocalMachine,
                                              kUninstallKey + setting("禾木软件名称"), "InstallLocation");
    return env.RunsUnderWow64() ? PathFrom64BitPrograms(last, WindowsFolder(ctx)) : last;
  }
  if (name == "%SysDrive%") return NormalizePath(env.GetVariable("SystemDrive") + "\\");
  // Known only later; they stand for themselves until then.
  if (name == "%InstallPath%" || name == "%AC%" || name == "%ET%") return std::string(name);
  return std::nullopt;
}

std::string DoubleBackslashes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned char next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (IsGbkLead(c) && next >= 0x40 && next <= 0xFE) {
      out.append(text.substr(i, 2));
      ++i;
      continue;
    }
    out.push_back(text[i]);
    if (c == '\\') out.push_back('\\');
  }
  return out;
}

}  // namespace qmb
