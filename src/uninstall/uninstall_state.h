// What one uninstaller run keeps: its command line, what it took from the uninstall record, the
// run-mode flags, the option boxes and the lists the removal works through, and the window that
// shows it all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/ini.h"
#include "extract/extract_state.h"

namespace qmb {

class UninstallView;

// Run-mode flags: they add up (3 = start at once and skip the last page).
enum UninstallFlag : int { kFlagStartAtOnce = 1, kFlagSkipLastPage = 2, kFlagHidden = 4 };

// One check box of the uninstall page (record section "卸载选项").
struct OptionBox {
  std::string caption;  // "标题"k
  bool visible = false;  // "可视"k is "真"
  bool ticked = false;   // "选中"k is "真"; the box's state once the window exists
  std::string program;   // "程序"k: a script section body run when the removal starts
  int left = 0;
  int top = 0;
};

// One line of the record's registry list: the path (root name, key path, value name) and the
// view text ("64" for the 64-bit view).
struct RegistryItem {
  std::string path;
  std::string view;
};

struct UninstallState {
  bool active = false;          // this process is the uninstaller (BecomeUninstaller)
  std::string install_folder;   // argument 1, normalized
  std::string working_folder;   // argument 2: holds "uninst.ico"; gets "uninst.ini", "uninst.dat"
  std::string switch_text;      // arguments 3 and later, each followed by a space
  std::string product_name;     // N
  std::string version;          // V
  std::string main_program;
  std::string publisher;        // "版权" of the skin store
  std::string settings_folder;  // temp folder + N + "\"; empty until the settings are restored
  bool made_settings_folder = false;  // it was not there before this run

  std::string record;  // the uninstall record: INI text with the file and registry lists behind it
  IniFile record_ini;
  std::string skin;    // the skin store

  int flags = 0;
  bool started_at_once = false;
  bool removal_started = false;
  bool finished = false;  // the action button reads "完成"
  bool taken_over = false;  // a controlling process answered 1 to the removal notice
  // What was left because the waiting launcher still runs: the launcher, and the folders the
  // install created (deepest first), for the clean-up run.
  std::string launcher_left;
  std::vector<std::string> folders_left;
  uint32_t exit_code = 0;

  std::vector<OptionBox> option_boxes;
  std::string tick_list;               // message 2004: "真"/"假" per box, comma-separated
  std::vector<std::string> keep_list;  // message 2002: paths relative to the install folder

  // What the removal works through, read from the record when it starts.
  std::vector<std::string> file_list;  // without the kept files
  std::vector<RegistryItem> registry_list;

  // Message 2010: receives every line shown (the address of its GBK text).
  ProgressCallback line_callback;
  // Message 2000 to the controlling processes (1 before, 2 after the removal); true when one of
  // them answered 1. Unset while no support DLL is loaded.
  std::function<bool(int stage)> notify;

  UninstallView* view = nullptr;
  uintptr_t window_handle = 0;  // for the product record of message 2001
  std::string product_answer;   // message 2001's answer, kept while the process lives
};

}  // namespace qmb
