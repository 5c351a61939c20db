// The registry step of an installation: the product's uninstall entry, the package's own registry
// values and scripts, and the list of values the uninstaller removes again.
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

// Runs once per installation, after the shortcuts. Every record is tried; one that cannot be
// written is logged and passed over. When the package makes an uninstaller
// ctx.system.uninstall_registry_list receives the values marked for removal.
void WriteRegistryEntries(Context& ctx);

// The product's uninstall entry (the values kUninstallEntryValues names) in the view the package
// asks for. Written last, once the uninstaller's files are complete, so that the entry never
// points at an uninstaller that is not there. False when a value could not be written.
bool WriteUninstallEntry(Context& ctx);

// "64" when the package asks for the 64-bit view ("I_reg"), "32" otherwise.
std::string UninstallEntryView(Context& ctx);

}  // namespace qmb
