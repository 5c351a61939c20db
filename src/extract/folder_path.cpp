// Creating a folder with all its missing parents.
#include "extract/folder_path.h"

#include <vector>

#include "base/text.h"
#include "platform/files.h"

namespace qmb {

bool CreateFolderPath(Files& files, const std::string& path, std::vector<std::string>* created) {
  std::vector<std::string> pieces = SplitGbk(path, '\\');
  if (pieces.size() <= 1 || pieces[0].size() != 2 || pieces[0][1] != ':') return false;
  std::string prefix = pieces[0];
  for (size_t i = 1; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    // An empty piece (doubled or trailing "\"), "." or ".." would leave the path it names.
    if (piece.empty() || piece == "." || piece == "..") return false;
    prefix += "\\" + piece;
    if (files.IsDirectory(prefix)) continue;
    if (!files.CreateDirectory(prefix)) return false;
    if (created != nullptr) created->push_back(prefix);
  }
  return true;
}

}  // namespace qmb
