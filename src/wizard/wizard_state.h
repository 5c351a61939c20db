// The wizard's decisions and data that outlive its window code: the components tree and its hooks,
// the install folder, the finish options, the program lists and the progress-line templates.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "script/after_install_run.h"
#include "wizard/components_tree.h"
#include "wizard/finish_option.h"
#include "wizard/wizard_pages.h"

namespace qmb {

class WizardInstallView;

struct TreeGeometry {
  int left = 0, top = 0, width = 0, height = 0;
};

struct WizardState {
  WizardPages pages;

  ComponentsTree tree = ComponentsTree::BuiltIn();
  // Set from the "Treelists" block when it gives exactly four numbers; the window moves the tree.
  std::optional<TreeGeometry> tree_geometry;
  // Set by a support DLL. The check callback answers nullopt when the call failed; an answer of 1
  // keeps the tick from spreading. The description callback gets the selected item's position.
  std::function<std::optional<int>(int item, int state)> tree_check_callback;
  std::function<void(int item)> description_callback;

  std::string install_folder;
  bool previous_location_found = false;  // install_folder is where an earlier install went
  std::string folder_box;        // the text of the folder box `安装路径_编辑框`
  std::string window_caption;    // the wizard window's caption; also its message boxes' title
  std::string payload_password;  // the archive password the extraction gets
  WizardInstallView* install_view = nullptr;  // the wizard window; none in the background mode

  std::string page_image;     // "界面图片.jpg": the welcome and finish pages' side image
  std::string install_image;  // "界面安装时图像.jpg": shown instead of the details list

  std::vector<FinishOption> finish_options;
  std::string finish_base_y;  // "完成后选项_列表"/"y" as written

  std::vector<AfterInstallRun> pre_install_runs;
  std::vector<AfterInstallRun> post_install_runs;
  std::vector<AfterInstallRun> uninstall_runs;  // "**" kept; the uninstaller replaces it

  // GUItext "安装3" split at ","; entry n is the template of the n-th kind of details-list line.
  std::vector<std::string> progress_templates;
  // Adds one line to the install details list; set by whoever owns that list.
  std::function<void(const std::string& line)> show_progress_line;
};

}  // namespace qmb
