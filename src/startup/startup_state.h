// What start-up and the package step learn about this run: command line, run mode, package kind,
// where the payload and the settings come from.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qmb {

inline constexpr char kRunModeNormal[] = "正常安装";
inline constexpr char kRunModeDirect[] = "直接安装";
inline constexpr char kRunModeBackground[] = "后台安装";

// What the waiting window shows for one percentage of the payload copy.
struct WaitingTexts {
  std::string percent;  // 标签1
  std::string label;    // 标签2
  std::string caption;  // the window caption
};

// The waiting window shown while a large payload is copied out of the package. The window code
// plugs its operations in; without them the copy simply runs without a window.
struct WaitingView {
  std::function<void()> open;                       // load the window, non-modal
  std::function<void(const WaitingTexts&)> update;  // show the texts, make the window visible
  std::function<void()> close;
  bool is_open = false;
};

struct StartupState {
  std::vector<std::string> arguments;  // without the program name
  std::string argument_text;           // own command line after the program path, trimmed
  int package_result = 0;              // 1 installer, 2 uninstaller, 0 no package
  std::string run_mode;                // one of the run modes above, or empty (normal)
  int finish_page_switch = 0;          // -1 hidden, 1 shown, 0 undecided
  std::string install_path_override;
  bool show_window = true;

  std::string run_folder;         // program folder, no trailing "\"
  std::string package_file_path;  // run folder + "\" + own file name
  std::string work_folder;        // ends in "\"; empty when none was made
  std::string archive_path;
  std::vector<std::string> volume_list;
  std::string settings_key;
  WaitingView waiting;
  bool show_space = false;       // "选择框_显示空间"
  long long required_size = 0;   // "压缩原大小", read only when show_space

  // "test" as the only argument: the installation steps install nothing.
  bool test_mode() const { return arguments.size() == 1 && arguments[0] == "test"; }
  // "test" first: the settings are the package author's own files beside the program, not an
  // unpacked copy of ours.
  bool settings_from_program_folder() const { return !arguments.empty() && arguments[0] == "test"; }
};

}  // namespace qmb
