// The removal itself: the uninstall-time commands, then shortcuts, the uninstall entry, the
// package's registry values, the installed files and the folders they leave empty. Only what the
// record names is touched, and only when its path is sound; every refusal and failure is logged
// and the removal goes on.
#pragma once

#include <string>

#include "platform/registry.h"

namespace qmb {

struct Context;

inline constexpr char kUninstallEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Runs the entries of record section "卸载时运行命令" in order.
void RunUninstallCommands(Context& ctx);

// Deletes the value that the last part of path names in the key before it; then, in the 64-bit
// view, the key of the whole path too, and in the 32-bit view only when no such value was
// deleted. A key is only ever deleted when it has no subkeys.
void DeleteRegistryItem(Context& ctx, RegRoot root, const std::string& path,
                        const std::string& view_text);

// Removes everything in the order the uninstaller goes: taskbar pin, product links and uninstall
// entry, the record's links, start-menu groups, registry values, files, empty folders, the
// launcher; then shows the finished page.
void RemoveAll(Context& ctx);

}  // namespace qmb
