// Whole-file reading for the packaging tool.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qmb::mkpackage {

// nullopt when the file cannot be opened or read to its end.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path);

}  // namespace qmb::mkpackage
