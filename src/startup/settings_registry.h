// Registry values read as text the way the settings need them: on 64-bit Windows through the
// 64-bit view (the registry port switches WOW64 redirection and reflection off around that read).
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

// The key below HKEY_LOCAL_MACHINE under which each product's uninstall entry is a subkey named
// after the product.
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Empty when the value is absent.
std::string ReadRegistryText(Context& ctx, RegRoot root, const std::string& key,
                             const std::string& name);

}  // namespace qmb
