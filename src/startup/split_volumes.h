// Split volumes beside the package: every named volume must exist, or the user is told which one is
// missing and the process ends. Regular names (.001, .002 ...) leave the archive path at the first
// volume; irregular names become the volume list.
#pragma once

#include <string>
#include <string_view>

#include "base/ini.h"

namespace qmb {

struct Context;

// The extension a volume of 1-based index has: "." + the index padded to three digits.
std::string VolumeExtension(int index);

// Checks the volumes that data.ini names. False when one is missing: the message box has been
// shown and the process told to end, so the caller must stop.
bool CheckSplitVolumes(Context& ctx, const IniFile& data_ini);

}  // namespace qmb
