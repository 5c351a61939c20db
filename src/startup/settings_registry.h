// Registry values read as text the way the settings need them: on 64-bit Windows through the
// 64-bit view (the registry port switches WOW64 redirection and reflection off around that read).
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

// The key below HKEY_LOCAL_MACHINE under which each product's uninstall entry is a subkey named
// after the product.
inline constexpr char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The values an install writes into its uninstall entry, and no others: the uninstaller removes
// exactly these.
inline constexpr const char* kUninstallEntryValues[] = {"DisplayIcon",     "DisplayName",
                                                        "DisplayVersion",  "UninstallString",
                                                        "InstallLocation", "Publisher"};
// The uninstall record's key for the view ("64" or "32") the entry was written in.
inline constexpr char kEntryViewKey[] = "卸载项视图";

// Empty when the value is absent.
std::string ReadRegistryText(Context& ctx, RegRoot root, const std::string& key,
                             const std::string& name);

}  // namespace qmb
