// Keeping and writing down what an install created.
#include "system/created_items.h"

#include <algorithm>

#include "base/path.h"
#include "base/text.h"
#include "system/registry_path.h"

namespace qmb {

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kViewSeparator[] = "$,";

size_t Depth(std::string_view path) {
  return static_cast<size_t>(std::count(path.begin(), path.end(), '\\'));
}

}  // namespace

void NoteCreatedFolder(CreatedItems& items, const std::string& folder) {
  const bool listed = std::any_of(items.folders.begin(), items.folders.end(),
                                  [&](const std::string& f) { return EqualsIgnoreCase(f, folder); });
  if (!listed) items.folders.push_back(folder);
}

std::vector<std::string> MissingKeys(Registry& registry, RegRoot root, const std::string& key,
                                     RegView view) {
  std::vector<std::string> missing;
  std::string path;
  for (const std::string& part : SplitGbk(key, '\\')) {
    if (part.empty()) continue;
    path += path.empty() ? part : "\\" + part;
    if (!missing.empty() || !registry.KeyExists(root, path, view)) missing.push_back(path);
  }
  return missing;
}

void NoteCreatedKeys(CreatedItems& items, RegRoot root, const std::vector<std::string>& keys,
                     const std::string& view_text) {
  for (const std::string& key : keys) {
    const bool listed = std::any_of(items.keys.begin(), items.keys.end(), [&](const CreatedKey& k) {
      return k.root == root && k.view == view_text && EqualsIgnoreCase(k.key, key);
    });
    if (!listed) items.keys.push_back({root, key, view_text});
  }
}

std::string FolderListText(const CreatedItems& items) {
  std::string text;
  for (const std::string& folder : items.folders) text += folder + kLineEnd;
  return text;
}

std::string KeyListText(const CreatedItems& items) {
  std::string text;
  for (const CreatedKey& k : items.keys)
    text +=
        std::string(RegistryRootName(k.root)) + "\\" + k.key + kViewSeparator + k.view + kLineEnd;
  return text;
}

std::optional<CreatedKey> ParseCreatedKey(std::string_view line) {
  const size_t split = line.rfind(kViewSeparator);
  const std::optional<RegistryPath> parsed =
      ParseRegistryPath(line.substr(0, split), "-", false);  // a key, not a default value
  if (!parsed || parsed->key.empty()) return std::nullopt;
  const std::string_view view =
      split == std::string_view::npos ? std::string_view() : line.substr(split + 2);
  return CreatedKey{parsed->root, parsed->key, std::string(view)};
}

void SortDeepestFirst(std::vector<std::string>& paths) {
  std::stable_sort(paths.begin(), paths.end(),
                   [](const std::string& a, const std::string& b) { return Depth(a) > Depth(b); });
}

void SortDeepestFirst(std::vector<CreatedKey>& keys) {
  std::stable_sort(keys.begin(), keys.end(), [](const CreatedKey& a, const CreatedKey& b) {
    return Depth(a.key) > Depth(b.key);
  });
}

}  // namespace qmb
