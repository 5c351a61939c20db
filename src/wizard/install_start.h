// The start of an installation, apart from the window: the install folder and its checks, the free
// space, the installer password, the components' "Install" sections and the pre-install programs,
// then the install driver. The wizard window calls it from its installing page; the background mode
// calls it straight from start-up.
#pragma once

#include <string>

namespace qmb {

struct Context;

// True when path may be installed into: a folder below a drive root, without double-byte characters
// when the package's rule "ch" says so, and holding the subfolder that rule "zwj" names. Otherwise
// the user is told why (a message box) and the result is false.
bool CheckInstallPath(Context& ctx, const std::string& path);

// Runs the installation for the folder box's text (or the install path override). password is the
// installer password when given is set (a support DLL supplies it); otherwise the wizard asks the
// user when the package has one, and the background mode, which asks nobody, refuses the start.
// False, with the outcome saying why, when the installation did not run. In the background mode a
// refused start removes the temporary files and ends the process, since no window is left to try
// again from.
bool StartInstall(Context& ctx, const std::string& password, bool given);

}  // namespace qmb
