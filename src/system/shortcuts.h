// The shortcut step of an installation: the package's links on the desktop, in the start-menu
// group, in quick launch and in any other folder it names, and the main program pinned to the
// taskbar.
#pragma once

#include <array>
#include <string>

#include "context/context.h"

namespace qmb {

// The three shortcut kinds in their fixed order: desktop, start-menu group, quick launch.
using ShortcutKinds = std::array<bool, 3>;

// From the shortcut choice list when a controlling process gave one (values joined by "$，",
// 1 = on, missing ones off), else from the check boxes of the components tree.
ShortcutKinds ChooseShortcutKinds(const Context& ctx);

// Makes every link the shortcut records ask for, skipping the desktop, start-menu group and
// quick-launch folders whose kind is off, and removes the start-menu group again when it stayed
// empty. A link that fails is logged and passed over.
void CreateShortcuts(Context& ctx);

// Writes one .lnk (".lnk" appended unless link_path contains it), replacing an existing one. The
// working folder is the target's folder; the icon is icon when icon_given, else the target's
// first icon. False when the target has no folder part or the link cannot be written.
bool CreateLink(Context& ctx, const std::string& link_path, const std::string& target,
                const std::string& arguments, const std::string& icon, bool icon_given,
                int window_style, const std::string& description, const std::string& hotkey);

}  // namespace qmb
