// The package's registry data from readable files in the project's registry/ folder: every "*.ini"
// holds value records (one section each), every "*.reg" is a registry script that the installer
// runs with regedit. Records come from the INI files in name order, then the scripts in name order.
//
//   [程序路径]                              one record; the section name is free
//   path=HKEY_LOCAL_MACHINE\SOFTWARE\Demo   root name (or HKCR, HKCC, HKCU, HKLM, HKU) and key
//   name=Path                               value name; absent or empty: the key's default value
//   type=REG_SZ                             REG_SZ, REG_DWORD or REG_BINARY
//   data=%InstallPath%\demo.exe             REG_DWORD: decimal or 0x hex; REG_BINARY: hex bytes
//   view=64                                 64 or 32 (the default)
//   remove=yes                              removed at uninstall: yes/no (default no)
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
