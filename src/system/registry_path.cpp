// Registry path parsing. Root names are tried in the order that numbers them, so the index of the
// matching name is the root.
#include "system/registry_path.h"

#include "base/text.h"

namespace qmb {

namespace {

constexpr std::string_view kRootNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG",
                                           "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"};

bool EndsWithBackslash(std::string_view text) {
  return !text.empty() && FindLastCharGbk(text, '\\') == text.size() - 1;
}

}  // namespace

std::optional<RegistryPath> ParseRegistryPath(std::string_view path, std::string_view value_name,
                                              bool install) {
  for (size_t i = 0; i < std::size(kRootNames); ++i) {
    std::string_view name = kRootNames[i];
    // "HKEY_CURRENT_USERS\x" names no root: the name must end where the path's first part ends.
    if (!path.starts_with(name) || (path.size() > name.size() && path[name.size()] != '\\'))
      continue;
    RegistryPath result{static_cast<RegRoot>(i + 1), {}};
    if (path.size() > name.size()) result.key = std::string(path.substr(name.size() + 1));
    if (value_name.empty()) {
      if (EndsWithBackslash(result.key)) result.key.pop_back();
      if (install) result.key.push_back('\\');
    }
    return result;
  }
  return std::nullopt;
}

std::string_view RegistryRootName(RegRoot root) {
  const size_t index = static_cast<size_t>(root) - 1;
  return index < std::size(kRootNames) ? kRootNames[index] : std::string_view();
}

}  // namespace qmb
