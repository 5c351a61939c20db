// How an uninstaller run goes: hidden, at once without confirmation, with or without its last page.
// The record's uninstall mode and the switch words of the package decide, and a controlling process
// may overrule the window's visibility with the file "x_show" in the temp folder.
#pragma once

#include <string>
#include <string_view>

#include "base/ini.h"

namespace qmb {

struct Context;

inline constexpr char kModeHidden[] = "后台卸载";
inline constexpr char kModeDirect[] = "直接卸载";

// The package's switch words (record section "安装包命令行"), each empty one read as the
// installer's default ("-jp", "-hideend", "-hp"); an empty word given to DecideRunMode is no
// switch.
struct SwitchWords {
  std::string jp;       // uninstall without confirmation
  std::string hideend;  // no last page
  std::string hp;       // hidden uninstall
};

SwitchWords ReadSwitchWords(const IniFile& record);

struct RunModeChoice {
  int flags = 0;  // UninstallFlag values added up
  bool start_at_once = false;

  bool hidden() const;
  // A removal started at once with flags 2 or more ends the program without the last page.
  bool FinishesAfterRemoval() const;
};

// hp (or the mode "后台卸载") wins: hidden and at once. Otherwise hideend skips the last page and
// jp (or the mode "直接卸载") starts at once. A switch counts when its word is not empty and occurs
// in the switch text, case-sensitive.
RunModeChoice DecideRunMode(std::string_view switch_text, std::string_view mode,
                            const SwitchWords& words);

// Whether the window is shown: the temp folder's "x_show", when it holds something, shows it for
// exactly "真" and hides it otherwise; without it the window shows unless the run is hidden. The
// file is deleted afterwards.
bool DecideVisibility(Context& ctx, const RunModeChoice& mode);

}  // namespace qmb
