// Walks over a folder's subfolders and files, for the shortcut step's empty start-menu check and
// the uninstaller's removal of emptied folders.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qmb {

class Files;

// Called with each entry's full path before it is taken; -1 stops the whole walk.
using WalkFilter = std::function<int(const std::string& path)>;

struct WalkResult {
  std::vector<std::string> paths;  // full paths in walk order
  bool stopped = false;            // the filter answered -1
  // The number of entries collected, or -1 when the walk was stopped.
  int Count() const { return stopped ? -1 : static_cast<int>(paths.size()); }
};

// The subfolders of folder ("\" appended when missing). Recursive walks list every folder after
// all of its own subfolders, so removing in list order empties the deepest folders first.
WalkResult ListSubfolders(Files& files, const std::string& folder, bool recursive,
                          const WalkFilter& filter);

// The files of folder and, when recursive, of every subfolder ListSubfolders finds.
WalkResult ListFiles(Files& files, const std::string& folder, bool recursive,
                     const WalkFilter& filter);

// True when folder holds a subfolder or a file.
bool FolderHasEntries(Files& files, const std::string& folder);

}  // namespace qmb
