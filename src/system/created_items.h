// What an install made itself: the folders and the registry keys that did not exist before it, as
// the install journal tells them. The uninstall record carries both lists, and the uninstaller
// removes exactly these again, deepest first and only when they are empty; a folder or key that
// was already there is never touched.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace qmb {

// One key an install created, in the view text of the registry list ("64" or "32").
struct CreatedKey {
  RegRoot root;
  std::string key;
  std::string view;
};

// The uninstall record's names for the two lists, appended beside the installed-files list.
inline constexpr char kCreatedFolderListName[] = "卸载文件夹";
inline constexpr char kCreatedKeyListName[] = "卸载注册表项";

struct CreatedItems {
  std::vector<std::string> folders;  // full paths, as created
  std::vector<CreatedKey> keys;
};

// Adds folder unless it is listed already (letters compared without case).
void NoteCreatedFolder(CreatedItems& items, const std::string& folder);

// The keys of key (the key itself and its parents below the root) that do not exist in view,
// parents first.
std::vector<std::string> MissingKeys(Registry& registry, RegRoot root, const std::string& key,
                                     RegView view);

// Adds the keys unless listed already.
void NoteCreatedKeys(CreatedItems& items, RegRoot root, const std::vector<std::string>& keys,
                     const std::string& view_text);

// The record's texts: one path a line, CR LF between lines; keys as "<root name>\<key>$,<view>".
std::string FolderListText(const CreatedItems& items);
std::string KeyListText(const CreatedItems& items);

// One line of the key list read back; nullopt when it names no known root or no key.
std::optional<CreatedKey> ParseCreatedKey(std::string_view line);

// The order of removal: deepest paths first, so that a parent is only tried after its children.
void SortDeepestFirst(std::vector<std::string>& paths);
void SortDeepestFirst(std::vector<CreatedKey>& keys);

}  // namespace qmb
