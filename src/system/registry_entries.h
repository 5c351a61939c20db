// The registry step of an installation: the product's uninstall entry, the package's own registry
// values and scripts, and the list of values the uninstaller removes again.
#pragma once

#include "context/context.h"

namespace qmb {

// Runs once per installation, after the shortcuts. Every record is tried; one that cannot be
// written is logged and passed over. When the package makes an uninstaller the uninstall entry is
// written and ctx.system.uninstall_registry_list receives the values marked for removal.
void WriteRegistryEntries(Context& ctx);

}  // namespace qmb
