// The uninstall step of an installation: the launcher "uninst.exe" and the data file "uninst.dat"
// in the install folder. The data file is our own program image behind a lead byte, then the
// uninstaller's settings files, the uninstall record (an INI text with the installed-files list and
// the registry list appended as named values), the skin store and the package kind "qmb-2".
#pragma once

#include <cstdint>
#include <string>

#include "context/context.h"

namespace qmb {

// Writes "uninst.dat" and "uninst.exe" when the package asks for an uninstaller
// ("是否生成卸载程序" is 1), then the uninstall entry; otherwise does nothing. False when a piece
// could not be written: the entry is then not written, and a complete install's outcome becomes
// kUninstallerFailed.
bool WriteUninstallRecord(Context& ctx);

// What the uninstaller's files will take, for the free-space check before the install: the
// launcher, the program image and the sections of "uninst.dat" (the record's lists, which grow with
// the payload, counted as the names known now) and the icon file. 0 without an uninstaller.
int64_t UninstallerFilesSize(Context& ctx);

// The uninstall record's INI text, sections and keys in the order the uninstaller expects.
std::string BuildUninstallIni(Context& ctx);

// The installed-files log with the uninstaller's own three files added, the last one without a
// line end.
std::string BuildUninstallFileList(const Context& ctx);

// The skin store: the page pictures, the publisher text, the skin data and the uninstaller icon.
std::string BuildSkinStore(const Context& ctx);

}  // namespace qmb
