// What the system-integration steps (shortcuts, registry entries, uninstall record) keep for the
// whole run and hand on to each other.
#pragma once

#include <string>
#include <vector>


namespace qmb {

// One link the package asks for (data.ini section "新建快捷方式参数", record i).
struct ShortcutRecord {
  std::string name;       // "参数快捷方式名": the link's file name, with or without ".lnk"
  std::string file;       // "参数文件名": target below the install folder; "%Uninst.exe%" is ours
  std::string arguments;  // "参数命令行"
  std::string locations;  // "参数生成位置": folders separated by "," or "，"; "%AC%" is a "，"
  bool remove_on_uninstall = false;  // "参数是否卸载" is "真"
  std::string icon;         // "快捷方式图标": icon file below the install folder; empty: none
  std::string description;  // "快捷方式描述"
  std::vector<std::string> made_links;  // the links CreateShortcuts made, one per location
};

struct SystemState {
  // Read at start-up; CreateShortcuts renames a "%Uninst.exe%" target to "uninst.exe".
  std::vector<ShortcutRecord> shortcuts;
  // Set by a controlling process through the message interface: the three shortcut kinds as
  // values joined by "$，" (used instead of the components tree when not empty), and another name
  // for the start-menu group.
  std::string shortcut_choice_list;
  std::string alternative_start_menu_name;

  // Files of the work folder that the uninstaller needs, read before the folder goes.
  std::string small_picture;     // "界面小图片.jpg"
  std::string large_picture;     // "界面大图片.jpg"
  std::string uninstaller_icon;  // "卸载程序图标.ico"

  // The registry values the package marked for removal, as the registry step lists them for the
  // uninstall record.
  std::string uninstall_registry_list;
};

}  // namespace qmb
