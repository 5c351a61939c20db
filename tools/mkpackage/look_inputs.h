// The package's look from readable files in the project's look/ folder. look/look.ini (UTF-8, or
// any text form the settings files take) names the page images, which lie beside it, and holds
// the wizard's text records, one section each:
//   [images]  page = side image of the welcome and finish pages, header = small header image,
//             installing = image shown while installing, uninstall = large image the uninstaller
//             keeps; PNG images keep their transparency
//   [欢迎0]    text = the record's text ("\n" is a line break)
//             font, size (points), bold (yes/no), colour, background: the control's font and
//             colours; a colour is decimal, #RRGGBB or "button-face"
// Section names are the record names of GUItext.ini ("窗口标题", "欢迎0" .. "按钮").
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings_files.h"

namespace qmb::mkpackage {

// The GUItext records (GBK, not yet enciphered) of one look.ini text (GBK).
std::optional<std::string> GuiTextRecords(std::string_view look_ini, std::string& error);

// Adds "GUItext.ini" and the page images of folder (look/) to files; nothing when the folder does
// not exist. A file that the settings folder gives as well is refused.
bool AddLookFiles(const std::filesystem::path& folder, std::vector<SettingsFile>& files,
                  std::string& error);

}  // namespace qmb::mkpackage
