// Folder walks over the file-system port. A depth bound keeps a folder link that points back up
// the tree from making the walk endless.
#include "system/folder_walk.h"

#include "base/path.h"
#include "platform/files.h"

namespace qmb {

namespace {

constexpr int kMaxDepth = 64;

// Appends the subfolders (when want_dirs) or the files of folder to result; false once stopped.
bool Walk(Files& files, const std::string& folder, bool want_dirs, bool recursive,
          const WalkFilter& filter, int depth, WalkResult& result) {
  for (const DirEntry& entry : files.List(folder)) {
    if (entry.is_dir != want_dirs) continue;
    const std::string path = JoinPath(folder, entry.name);
    if (filter && filter(path) == -1) {
      result.stopped = true;
      return false;
    }
    if (recursive && depth < kMaxDepth &&
        !Walk(files, path, want_dirs, true, filter, depth + 1, result))
      return false;
    result.paths.push_back(path);
  }
  return true;
}

}  // namespace

WalkResult ListSubfolders(Files& files, const std::string& folder, bool recursive,
                          const WalkFilter& filter) {
  WalkResult result;
  Walk(files, folder, true, recursive, filter, 0, result);
  return result;
}

WalkResult ListFiles(Files& files, const std::string& folder, bool recursive,
                     const WalkFilter& filter) {
  WalkResult result;
  if (!Walk(files, folder, false, false, filter, 0, result) || !recursive) return result;
  for (const std::string& sub : ListSubfolders(files, folder, true, nullptr).paths)
    if (!Walk(files, sub, false, false, filter, 0, result)) break;
  return result;
}

bool FolderHasEntries(Files& files, const std::string& folder) {
  return !files.List(folder).empty();
}

}  // namespace qmb
