// The uninstall step of an installation: the launcher "uninst.exe" and the data file "uninst.dat"
// in the install folder. The data file is our own program image behind a lead byte, then the
// uninstaller's settings files, the uninstall record (an INI text with the installed-files list and
// the registry list appended as named values), the skin store and the package kind "qmb-2".
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

// Writes "uninst.exe" and "uninst.dat" when the package asks for an uninstaller
// ("是否生成卸载程序" is 1); otherwise does nothing. False when a file the uninstaller needs could
// not be written (logged): the product could then not be removed again.
bool WriteUninstallRecord(Context& ctx);

// The uninstall record's INI text, sections and keys in the order the uninstaller expects.
std::string BuildUninstallIni(Context& ctx);

// The installed-files log with the uninstaller's own three files added, the last one without a
// line end.
std::string BuildUninstallFileList(const Context& ctx);

// The skin store: the page pictures, the publisher text, the skin data and the uninstaller icon.
std::string BuildSkinStore(const Context& ctx);

}  // namespace qmb
