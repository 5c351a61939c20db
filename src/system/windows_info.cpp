// Windows version, quick-launch folder and the system folders' names under WOW64.
#include "system/windows_info.h"

#include <cmath>

#include "base/wow64_paths.h"

namespace qmb {

namespace {

constexpr double kTolerance = 0.0000001;

struct NamedVersion {
  double version;
  const char* name;
};

constexpr NamedVersion kNames[] = {
    {5.0, "Windows 2000"},  {5.1, "Windows XP"}, {5.2, "Windows Server 2003"},
    {6.0, "Windows Vista"}, {6.1, "Windows 7"},  {6.2, "Windows 8"},
};

}  // namespace

std::string GetWindowsVersion(Context& ctx, double& version) {
  const WindowsVersion v = ctx.platform.env.GetWindowsVersion();
  version = v.major + v.minor / 10.0;
  for (const NamedVersion& named : kNames)
    if (std::fabs(version - named.version) < kTolerance) return named.name;
  return "未知操作系统";
}

bool HasTaskbarVerbs(Context& ctx) {
  double version = 0;
  GetWindowsVersion(ctx, version);
  return version - 6 >= -kTolerance;
}

std::string QuickLaunchFolder(Context& ctx) {
  const std::string profile = ctx.platform.env.GetVariable("userprofile");
  const std::string current = profile + "\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
  if (ctx.platform.files.IsDirectory(current)) return current;
  return profile + "\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch";
}

std::string PathFor64BitPrograms(Context& ctx, std::string_view path) {
  Env& env = ctx.platform.env;
  return env.RunsUnderWow64() ? PathFor64BitPrograms(path, env.WindowsFolder()) : std::string(path);
}

std::string PathFrom64BitPrograms(Context& ctx, std::string_view path) {
  Env& env = ctx.platform.env;
  return env.RunsUnderWow64() ? PathFrom64BitPrograms(path, env.WindowsFolder())
                              : std::string(path);
}

}  // namespace qmb
