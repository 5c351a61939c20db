// Reading back what the installation left in "uninst.dat": the uninstall record, the settings files
// the uninstaller needs and the skin store, each a marked section behind the program image. A file
// that lacks one of them, or whose record names no sound product or lacks its lists, is damaged:
// the uninstaller then removes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ini.h"

namespace qmb {

struct Context;

struct UninstallData {
  std::string record;    // INI text with the file and registry lists appended
  std::string settings;  // "QMBDLL_s.ini", "QMBDLL.db", "var_data.ini", "variable.ini" joined
  std::string skin;      // the skin store
};

// The sections of the data file at path; nullopt with problem set when one is missing.
std::optional<UninstallData> ReadUninstallData(Context& ctx, const std::string& path,
                                               std::string& problem);

// Why the record cannot be used (empty when it can): its product name must be one sound name
// (it names folders, links and the uninstall entry), and the file and registry lists must be there.
std::string RecordProblem(std::string_view record, const IniFile& ini);

// The settings files' names in the order the data file joins them.
inline constexpr const char* kUninstallSettingsFiles[] = {"QMBDLL_s.ini", "QMBDLL.db",
                                                          "var_data.ini", "variable.ini"};
inline constexpr char kSettingsSeparator[] = "#！★！#";

}  // namespace qmb
