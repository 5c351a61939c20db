// The package's support DLLs from the project's support/ folder: the DLL files and "support.ini",
// one section per start (in file order) with the keys
//   file     a DLL file of the folder
//   export   the export called once at start
//   run      installer (default), uninstaller or both
//   param1 .. paramN   "type,value" with type text, bytes or integer (or 文本型, 字节集, 整数型);
//            the value may hold commas and the installer's %variables%
// A DLL used by several sections is stored with each, and written once by the installer.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/dll_store.h"

namespace qmb::mkpackage {

// The records of the support folder; an empty list when the folder does not exist.
std::optional<std::vector<DllRecord>> LoadSupportFolder(const std::filesystem::path& folder,
                                                        std::string& error);

// The records of "support.ini" (GBK) whose DLL files are read by read_file (file name -> bytes).
std::optional<std::vector<DllRecord>> ParseSupportIni(
    std::string_view text,
    const std::function<std::optional<std::string>(const std::string& name)>& read_file,
    std::string& error);

}  // namespace qmb::mkpackage
