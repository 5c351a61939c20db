// The uninstaller launcher "uninst.exe": it makes a working copy of the program in "uninst.dat"
// (the runtime image with the uninstall sections and the kind "qmb-2") in the temp folder and starts
// it there, so that the uninstaller can remove the install folder, launcher included.
#pragma once

#include <cstddef>
#include <string>

#include "context/context.h"

namespace qmb {

inline constexpr char kUninstallDataMissing[] = "卸载数据丢失，无法启动卸载程序！";
// The launcher's exit code when the uninstaller cannot start (no or no sound "uninst.dat", no
// working copy); otherwise it ends with the uninstaller's.
inline constexpr int kLauncherFailed = 1;
// Zero bytes appended to the working copy behind its sections.
inline constexpr size_t kWorkingCopyPadding = 10485760;

// The launcher's steps: resets temp\Uninstall, makes the working folder temp\Uninstall\<product
// name from the NAME resource>, writes the working copy (named like the launcher) and "uninst.ico"
// there, starts the copy in that folder and waits for it. Returns the copy's exit code, or
// kLauncherFailed.
int RunUninstallLauncher(Context& ctx);

// The working copy's command line: the copy, the install folder (which holds "uninst.dat") and
// the working folder (which holds "uninst.ico"), each in double quotes, then the word "卸载" and
// the launcher's own arguments, whose switch words the uninstaller looks for.
std::string UninstallCommandLine(const std::string& copy, const std::string& install_folder,
                                 const std::string& working_folder, const std::string& arguments);

}  // namespace qmb
