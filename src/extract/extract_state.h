// What the extraction engine and the progress display keep for the whole process: the lists that
// narrow the main run, the assignment groups' step counter, the installed-files log and the
// progress bar's forward-only position.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "extract/archive_library.h"
#include "extract/install_view.h"
#include "extract/volume_redirect.h"

namespace qmb {

// Receives (destination file name, percent of that file) during one extraction run.
using ProgressSink = std::function<void(const std::string& name, int32_t percent)>;

// A callback a controlling module registered: entry 1 of the list receives each overall percentage,
// entry 2 each progress line (as the address of the GBK text, the module's contract).
using ProgressCallback = std::function<void(intptr_t argument)>;

struct ExtractState {
  ArchiveLibraryLoader load_library;  // set by whoever builds the process
  ArchiveLibrary library;             // bound on the first extraction
  OpenRedirection* open_redirect = nullptr;  // for irregular split volumes; owned by the process
  std::string archive_path_override;  // message 1023
  // The one pair of lists that narrows the main run. Written by the script commands "assignzip"
  // and "removezip", the controlling module's requests and the assignment pass (exclusions only);
  // the main run passes both to ExtractArchive.
  std::string inclusion_list;         // comma-separated entry names; empty: everything
  std::string exclusion_list;         // comma-separated entry names
  int32_t group_count = 0;            // G: assignment groups of "Except.ini"
  int32_t current_step = 0;           // 1 .. G + 1 during an install
};

struct ProgressState {
  ProgressSink current_sink;  // the sink of the run in progress; none reports nothing
  std::string last_name;
  bool log_started = false;
  std::string installed_files;  // full paths, each followed by "\r\n"
  int32_t last_percent = 0;     // the bar only moves forward
  int32_t taskbar_percent = 0;  // the bar's position as read back
  std::vector<ProgressCallback> callbacks;
  int32_t details_list_mode = 0;  // "安装过程_列表": 2 keeps the details list empty
  InstallView* view = nullptr;    // the installing page; none while no wizard exists
  // Where the lines go instead of the installing page: the uninstaller shows them in its own
  // window (see BecomeUninstaller).
  std::function<void(const std::string& line)> line_display;
};

}  // namespace qmb
