// The removal itself: the uninstall-time commands, then the uninstall entry, shortcuts, the
// package's registry values, the installed files and the keys and folders the install created. Only
// what the record names is touched, and only when its path is sound; every refusal and failure is
// logged and the removal goes on.
#pragma once

#include <string>

#include "platform/registry.h"

namespace qmb {

struct Context;

// Removes a folder the install created when it is empty, sound, and neither a junction or link
// nor behind one below the install folder.
void RemoveCreatedFolder(Context& ctx, const std::string& folder);

// Runs the entries of record section "卸载时运行命令" in order.
void RunUninstallCommands(Context& ctx);

// Deletes the value that the last part of path names in the key before it (the unnamed value when
// path ends in a backslash), in the 64-bit view for view text "64" on 64-bit Windows and in the
// 32-bit view otherwise. Keys are never deleted here: the install's own keys go, when empty, with
// the list of keys it created.
void DeleteRegistryItem(Context& ctx, RegRoot root, const std::string& path,
                        const std::string& view_text);

// Removes everything in the order the uninstaller goes: taskbar pin, the uninstall entry, the
// record's links, registry values, files, the launcher, then the keys and folders the install
// created, when they are empty; then shows the finished page.
void RemoveAll(Context& ctx);

}  // namespace qmb
