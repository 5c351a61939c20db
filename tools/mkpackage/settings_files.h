// Turning a project's settings files, as an author keeps them, into the forms the runtime reads:
// texts in GBK, the wizard texts, assignment list and install script enciphered, the registry and
// support DLL data in the compressed form.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb::mkpackage {

struct SettingsFile {
  std::string name;  // file name as on disk (UTF-8)
  std::string data;  // converted bytes
};

// Converts one file's bytes; file_name decides the treatment. Files already in their stored form
// (GBK text, enciphered, compressed) pass unchanged, so converting twice changes nothing.
std::optional<std::string> ConvertSettingsFile(std::string_view file_name, std::string data,
                                               std::string& error);

// Reads and converts every file of the settings folder (which holds files only).
std::optional<std::vector<SettingsFile>> LoadSettingsFolder(const std::filesystem::path& folder,
                                                            std::string& error);

}  // namespace qmb::mkpackage
