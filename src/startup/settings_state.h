// The loaded settings, held in memory once the work folder is gone.
#pragma once

#include <string>

#include "base/ini.h"

namespace qmb {

// The uninstaller's settings files, in the order the uninstall blob joins them, and what joins them.
inline constexpr const char* kUninstallSettingsFiles[] = {"QMBDLL_s.ini", "QMBDLL.db",
                                                          "var_data.ini", "variable.ini"};
inline constexpr char kUninstallBlobSeparator[] = "#！★！#";

struct SettingsState {
  std::string data_ini;       // expanded bytes of "data.ini"
  IniFile data;               // data_ini parsed, for ReadSetting
  std::string registry_data;  // expanded, decompressed "QMBREG.db"
  std::string dll_settings;   // expanded "QMBDLL_s.ini"
  std::string gui_text;       // deciphered, expanded "GUItext.ini"
  std::string except_text;    // deciphered, expanded "Except.ini"
  std::string uninstall_blob; // the four raw files joined for the uninstaller
};

}  // namespace qmb
