// The in-memory registry.
#include "platform/host/host_registry.h"

#include "base/gbk_codec.h"

namespace qmb {

namespace {

// Names are folded through UTF-8 so that lower-casing never touches a GBK trail byte.
std::string Fold(const std::string& gbk) {
  std::string text = GbkToUtf8(gbk);
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// The parts of a key path; empty parts (leading, trailing or doubled "\") are dropped.
std::vector<std::string> KeyParts(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

std::string FoldedPath(const std::string& path) {
  std::string folded;
  for (const std::string& part : KeyParts(path)) {
    if (!folded.empty()) folded += '\\';
    folded += Fold(part);
  }
  return folded;
}

constexpr uint32_t kRegMultiSz = 7;

bool IsStringType(uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

}  // namespace

HostRegistry::Store& HostRegistry::StoreOf(RegView view) {
  return stores_[view == RegView::k64 && is_64bit_windows_() ? 1 : 0];
}

const HostRegistry::Store& HostRegistry::StoreOf(RegView view) const {
  return stores_[view == RegView::k64 && is_64bit_windows_() ? 1 : 0];
}

const HostRegistry::Key* HostRegistry::Find(RegRoot root, const std::string& key,
                                            RegView view) const {
  const Store& store = StoreOf(view);
  auto it = store.find({static_cast<int>(root), FoldedPath(key)});
  return it != store.end() ? &it->second : nullptr;
}

std::optional<std::string> HostRegistry::QueryString(RegRoot root, const std::string& key,
                                                     const std::string& name, RegView view) {
  std::optional<RegValue> value = QueryValue(root, key, name, view);
  if (!value) return std::nullopt;
  return RegValueText(*value);
}

std::optional<RegValue> HostRegistry::QueryValue(RegRoot root, const std::string& key,
                                                 const std::string& name, RegView view) {
  const Key* found = Find(root, key, view);
  if (!found) return std::nullopt;
  auto it = found->values.find(Fold(name));
  if (it == found->values.end()) return std::nullopt;
  return it->second.second;
}

bool HostRegistry::SetValue(RegRoot root, const std::string& key, const std::string& name,
                            uint32_t type, std::string_view data, RegView view) {
  int root_index = static_cast<int>(root);
  if (root_index < 1 || root_index > 5) return false;
  if (type == kRegDword && data.size() != 4) return false;
  Store& store = StoreOf(view);
  // Like RegCreateKeyEx, every missing key on the way is created.
  std::string folded;
  Key* current = &store[{root_index, folded}];
  for (const std::string& part : KeyParts(key)) {
    if (!folded.empty()) folded += '\\';
    folded += Fold(part);
    current = &store[{root_index, folded}];
    if (current->name.empty()) current->name = part;
  }
  RegValue value{type, std::string(data)};
  if (IsStringType(type) && (value.data.empty() || value.data.back() != '\0')) value.data += '\0';
  auto& slot = current->values[Fold(name)];
  if (slot.first.empty()) slot.first = name;
  slot.second = std::move(value);
  return true;
}

bool HostRegistry::DeleteValue(RegRoot root, const std::string& key, const std::string& name,
                               RegView view) {
  Store& store = StoreOf(view);
  auto it = store.find({static_cast<int>(root), FoldedPath(key)});
  return it != store.end() && it->second.values.erase(Fold(name)) > 0;
}

bool HostRegistry::DeleteKey(RegRoot root, const std::string& key, RegView view) {
  std::string folded = FoldedPath(key);
  if (folded.empty()) return false;  // a root key cannot be deleted
  Store& store = StoreOf(view);
  int root_index = static_cast<int>(root);
  auto it = store.find({root_index, folded});
  if (it == store.end()) return false;
  it = store.erase(it);
  std::string prefix = folded + "\\";
  while (it != store.end() && it->first.first == root_index && it->first.second.starts_with(prefix))
    it = store.erase(it);
  return true;
}

bool HostRegistry::DeleteLeafKey(RegRoot root, const std::string& key, RegView view) {
  if (!SubKeys(root, key, view).empty()) return false;
  return DeleteKey(root, key, view);
}

bool HostRegistry::DeleteEmptyKey(RegRoot root, const std::string& key, RegView view) {
  if (!ValueNames(root, key, view).empty()) return false;
  return DeleteLeafKey(root, key, view);
}

bool HostRegistry::KeyExists(RegRoot root, const std::string& key, RegView view) {
  int root_index = static_cast<int>(root);
  if (root_index < 1 || root_index > 5) return false;
  return KeyParts(key).empty() || Find(root, key, view) != nullptr;
}

std::vector<std::string> HostRegistry::SubKeys(RegRoot root, const std::string& key,
                                               RegView view) const {
  std::vector<std::string> names;
  std::string folded = FoldedPath(key);
  std::string prefix = folded.empty() ? "" : folded + "\\";
  int root_index = static_cast<int>(root);
  const Store& store = StoreOf(view);
  for (auto it = store.lower_bound({root_index, prefix});
       it != store.end() && it->first.first == root_index && it->first.second.starts_with(prefix);
       ++it) {
    std::string_view rest = std::string_view(it->first.second).substr(prefix.size());
    if (!rest.empty() && rest.find('\\') == std::string_view::npos) names.push_back(it->second.name);
  }
  return names;
}

std::vector<std::string> HostRegistry::ValueNames(RegRoot root, const std::string& key,
                                                  RegView view) const {
  std::vector<std::string> names;
  if (const Key* found = Find(root, key, view))
    for (const auto& [folded, entry] : found->values) names.push_back(entry.first);
  return names;
}

}  // namespace qmb
