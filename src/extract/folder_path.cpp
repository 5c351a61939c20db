// Creating a folder with all its missing parents.
#include "extract/folder_path.h"

#include "base/text.h"
#include "platform/files.h"

namespace qmb {

std::optional<std::vector<std::string>> FolderPathLevels(const std::string& path) {
  std::vector<std::string> pieces = SplitGbk(path, '\\');
  if (pieces.size() <= 1 || pieces[0].size() != 2 || pieces[0][1] != ':') return std::nullopt;
  std::vector<std::string> levels;
  std::string prefix = pieces[0];
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    if (piece.empty() || piece == "." || piece == "..") return std::nullopt;
    prefix += "\\" + piece;
    levels.push_back(prefix);
  }
  return levels;
}

bool CreateFolderPath(Files& files, const std::string& path, std::vector<std::string>* created) {
  const std::optional<std::vector<std::string>> levels = FolderPathLevels(path);
  if (!levels) return false;
  for (const std::string& level : *levels) {
    if (files.IsDirectory(level)) continue;
    if (!files.CreateDirectory(level)) return false;
    if (created != nullptr) created->push_back(level);
  }
  return true;
}

}  // namespace qmb
