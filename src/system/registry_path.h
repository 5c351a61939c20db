// Registry paths as the package's registry data and the uninstall record write them: a root name
// ("HKEY_LOCAL_MACHINE" ...), a backslash and the key path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace qmb {

struct RegistryPath {
  RegRoot root;
  std::string key;  // the text after the root name and its backslash
};

// The root name that begins path (exactly, case-sensitive, followed by "\" or the end) and the key
// path after it; nullopt when no root name begins it. For the default value (value_name empty) the
// key path loses a trailing "\", and at install time (install set) it ends in exactly one.
std::optional<RegistryPath> ParseRegistryPath(std::string_view path, std::string_view value_name,
                                              bool install);

// The long name of root ("HKEY_LOCAL_MACHINE"), as ParseRegistryPath reads it back.
std::string_view RegistryRootName(RegRoot root);

}  // namespace qmb
