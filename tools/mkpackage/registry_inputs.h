// The package's registry data from readable files in the project's registry/ folder: every "*.ini"
// holds value records, every "*.reg" is a registry script that the installer runs with regedit.
// Records come from the INI files in name order, then the scripts in name order. A record is one
// section (its name is free) with the keys
//   path    root name (or HKCR, HKCC, HKCU, HKLM, HKU), "\" and key path
//   name    value name; absent or empty: the key's default value
//   type    REG_SZ, REG_DWORD (decimal or 0x hex data) or REG_BINARY (hex bytes: "01 02 ff")
//   data    the value
//   view    64 or 32 (the default)
//   remove  yes/no (default no): whether the uninstaller removes the value
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/registry_store.h"

namespace qmb::mkpackage {

// The records of the registry folder; an empty list when the folder does not exist.
std::optional<std::vector<RegistryRecord>> LoadRegistryFolder(const std::filesystem::path& folder,
                                                              std::string& error);

// The records of one INI text (GBK); file_name only names the file in messages.
std::optional<std::vector<RegistryRecord>> ParseRegistryIni(std::string_view file_name,
                                                            std::string_view text,
                                                            std::string& error);

// A registry script record of one .reg file's text (GBK).
std::optional<RegistryRecord> RegistryScriptRecord(std::string_view file_name, std::string text,
                                                   std::string& error);

}  // namespace qmb::mkpackage
