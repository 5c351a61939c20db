// What the system-integration steps take from the settings at start-up, while the work folder is
// still there: the shortcut records and the pictures and icon the uninstaller carries.
#pragma once

#include "context/context.h"
#include "startup/settings_catalogue.h"

namespace qmb {

// The target that stands for the uninstaller launcher.
inline constexpr char kUninstallerTarget[] = "%Uninst.exe%";

// "是否生成卸载程序" is 1: the install writes the uninstaller, its record and its entry.
bool GeneratesUninstaller(const Context& ctx);

// Fills ctx.system.shortcuts from data.ini and ctx.system's pictures and icon from the work folder
// (missing files read as empty).
void ReadSystemSettings(Context& ctx);

}  // namespace qmb
