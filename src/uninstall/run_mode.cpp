// Run-mode decisions of the uninstaller.
#include "uninstall/run_mode.h"

#include "context/context.h"
#include "startup/settings_catalogue.h"
#include "uninstall/uninstall_state.h"

namespace qmb {

namespace {

constexpr char kShowFile[] = "x_show";

bool HasSwitch(std::string_view switch_text, std::string_view word) {
  return !word.empty() && switch_text.find(word) != std::string_view::npos;
}

}  // namespace

// The record keeps the switch words under the settings' own section name. A word the package
// leaves empty is the installer's default, so what works for setup.exe works for uninst.exe.
SwitchWords ReadSwitchWords(const IniFile& record) {
  auto word = [&record](const char* key, const char* fallback) {
    const std::string value = record.Value(kSwitchSection, key);
    return value.empty() ? std::string(fallback) : value;
  };
  return {word("jp", kDefaultDirectSwitch), word("hideend", kDefaultHideEndSwitch),
          word("hp", kDefaultBackgroundSwitch)};
}

bool RunModeChoice::hidden() const { return flags == kFlagHidden; }

bool RunModeChoice::FinishesAfterRemoval() const { return start_at_once && flags >= 2; }

RunModeChoice DecideRunMode(std::string_view switch_text, std::string_view mode,
                            const SwitchWords& words) {
  RunModeChoice choice;
  if (HasSwitch(switch_text, words.hp) || mode == kModeHidden) {
    choice.flags = kFlagHidden;
    choice.start_at_once = true;
    return choice;
  }
  if (HasSwitch(switch_text, words.hideend)) choice.flags += kFlagSkipLastPage;
  if (HasSwitch(switch_text, words.jp) || mode == kModeDirect) {
    choice.flags += kFlagStartAtOnce;
    choice.start_at_once = true;
  }
  return choice;
}

bool DecideVisibility(Context& ctx, const RunModeChoice& mode) {
  Files& files = ctx.platform.files;
  const std::string path = ctx.platform.env.TempFolder() + kShowFile;
  bool visible = !mode.hidden();
  if (files.Exists(path) && !files.IsDirectory(path)) {
    const std::string content = files.ReadAll(path).value_or("");
    if (!content.empty()) {
      visible = content == "真";
      ctx.log.Step(std::string("uninstall: ") + kShowFile + " asks for the window " +
                   (visible ? "shown" : "hidden"));
    }
    if (!files.RemoveFile(path)) ctx.log.Failure("uninstall: cannot delete " + path);
  }
  return visible;
}

}  // namespace qmb
