// The lists the removal works through, as the uninstall record holds them: the installed files
// and the registry values appended behind its INI text, and the links of its shortcut keys.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/ini.h"
#include "system/created_items.h"
#include "uninstall/uninstall_state.h"

namespace qmb {

struct Context;

inline constexpr char kFileListName[] = "卸载路径";
inline constexpr char kRegistryListName[] = "卸载注册表";

// The lines of "卸载路径" (CR LF between them); empty lines are dropped.
std::vector<std::string> FileListOf(std::string_view record);

// The lines of "卸载注册表", each split at its first "$," into path and view text (a line without
// "$," is all path). Empty lines and the stored empty placeholder are dropped.
std::vector<RegistryItem> RegistryListOf(std::string_view record);

// The folders, and the registry keys, the install created ("卸载文件夹", "卸载注册表项"); nullopt
// for a record of an older install, which lists neither. Key lines without a known root are logged
// and left out.
std::optional<std::vector<std::string>> CreatedFolderListOf(std::string_view record);
std::optional<std::vector<CreatedKey>> CreatedKeyListOf(Context& ctx, std::string_view record);

// For i = 1 .. "快捷方式个数": the value of "快捷方式"i split at ",", every piece kept (the empty
// one after the last comma too).
std::vector<std::string> LinkListOf(Context& ctx, const IniFile& record);

}  // namespace qmb
