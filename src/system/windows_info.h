// The Windows facts the shortcut step and the uninstaller ask for: the version with its name, and
// the quick-launch folder.
#pragma once

#include <string>
#include <string_view>

#include "context/context.h"

namespace qmb {

// The Windows name ("Windows 7"; "未知操作系统" for a version without a name); version receives
// major + minor / 10.
std::string GetWindowsVersion(Context& ctx, double& version);

// Windows 6.0 (Vista) or later: the taskbar verbs exist there.
bool HasTaskbarVerbs(Context& ctx);

// The user's quick-launch folder, without a trailing "\": the profile's
// "AppData\Roaming\Microsoft\Internet Explorer\Quick Launch" when that folder exists, else the
// older "Application Data\Microsoft\Internet Explorer\Quick Launch".
std::string QuickLaunchFolder(Context& ctx);

// A system-folder path as a 64-bit program names it, and back (base/wow64_paths.h); unchanged
// unless this program runs under WOW64.
std::string PathFor64BitPrograms(Context& ctx, std::string_view path);
std::string PathFrom64BitPrograms(Context& ctx, std::string_view path);

}  // namespace qmb
