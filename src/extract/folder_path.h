// Creating a folder with all its missing parents.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmb {

class Files;

// The folders from the first below the drive down to path itself ("C:\a", "C:\a\b"); nullopt when
// the first piece is not a drive ("C:") or a piece is empty, "." or "..", which would leave the path.
std::optional<std::vector<std::string>> FolderPathLevels(const std::string& path);

// Walks path from its drive one piece at a time and creates each missing folder, adding it to
// created when given. False when FolderPathLevels refuses the path (nothing is made then) or when
// creating fails.
bool CreateFolderPath(Files& files, const std::string& path,
                      std::vector<std::string>* created = nullptr);

}  // namespace qmb
