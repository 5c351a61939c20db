// Shared pieces of the uninstaller tests: a context over the host platform (a 64-bit Windows 7)
// with a recording uninstall window and the log lines caught, and helpers that lay out files.
#pragma once

#include <string>
#include <vector>

#include "base/path.h"
#include "context/context.h"
#include "extract/folder_path.h"
#include "platform/host/host_platform.h"
#include "uninstall/recording_uninstall_view.h"

namespace qmb::test {

inline constexpr char kInstall[] = "C:\\Program Files\\演示";
inline constexpr char kProduct[] = "演示";
inline constexpr char kDesktop[] = "C:\\Users\\user\\Desktop";
inline constexpr char kPrograms[] =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
inline constexpr char kQuickLaunch[] =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";
inline constexpr char kEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示";

// A path below the install folder.
inline std::string In(const std::string& relative) { return std::string(kInstall) + "\\" + relative; }

struct UninstallFixture {
  UninstallFixture() : ctx(host.platform()) {
    host.env().SetIs64BitWindows(true);
    ctx.uninstall.view = &view;
    ctx.log.SetSink([this](std::string_view line) { log.emplace_back(line); });
  }
  // A file with its folders.
  void File(const std::string& path, const std::string& data = "x") {
    CreateFolderPath(host.files(), ParentFolder(path));
    host.files().WriteAll(path, data);
  }
  bool Exists(const std::string& path) { return host.files().Exists(path); }
  bool Logged(const std::string& text) const {
    for (const std::string& line : log)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }
  // Position of the first window log line that starts with text (exact: that is text); -1 when
  // none does.
  int LineAt(const std::string& text, bool exact = false) const {
    for (size_t i = 0; i < view.log.size(); ++i)
      if (exact ? view.log[i] == text : view.log[i].starts_with(text)) return static_cast<int>(i);
    return -1;
  }

  HostPlatform host;
  Context ctx;
  RecordingUninstallView view;
  std::vector<std::string> log;
};

}  // namespace qmb::test
