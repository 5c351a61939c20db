// Creating a folder with all its missing parents.
#pragma once

#include <string>
#include <vector>

namespace qmb {

class Files;

// Walks path from its drive ("C:") one piece at a time and creates each missing folder, adding it
// to created when given. False when the first piece is not a drive, when a piece is empty, "." or
// "..", or when creating fails.
bool CreateFolderPath(Files& files, const std::string& path,
                      std::vector<std::string>* created = nullptr);

}  // namespace qmb
