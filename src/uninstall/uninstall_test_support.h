// Shared pieces of the uninstaller tests: the host context on a 64-bit Windows 7 with a recording
// uninstall window.
#pragma once

#include <string>

#include "context/host_context_fixture.h"
#include "uninstall/recording_uninstall_view.h"

namespace qmb::test {

inline constexpr char kInstall[] = "C:\\Program Files\\演示";
inline constexpr char kProduct[] = "演示";
inline constexpr char kEntryKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示";

// A path below the install folder.
inline std::string In(const std::string& relative) {
  return std::string(kInstall) + "\\" + relative;
}

struct UninstallFixture : HostContextFixture {
  UninstallFixture() {
    host.env().SetIs64BitWindows(true);
    ctx.uninstall.view = &view;
  }
  // Position of the first window log line that starts with text (exact: that is text); -1 when
  // none does.
  int LineAt(const std::string& text, bool exact = false) const {
    for (size_t i = 0; i < view.log.size(); ++i)
      if (exact ? view.log[i] == text : view.log[i].starts_with(text)) return static_cast<int>(i);
    return -1;
  }

  RecordingUninstallView view;
};

}  // namespace qmb::test
