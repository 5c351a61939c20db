// `mkpackage new DIR`: a small project that packs and installs as it stands, its settings in UTF-8
// with comments that explain each line, as the starting point of an author's own package.
#pragma once

#include <filesystem>
#include <string>

namespace qmb::mkpackage {

// Writes the project into dir, which must not exist or be empty. The payload password is random.
bool WriteNewProject(const std::filesystem::path& dir, std::string& error);

}  // namespace qmb::mkpackage
