// Reading the program lists of the settings.
#include "wizard/after_install_runs.h"

#include "base/text.h"
#include "startup/list_count.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"

namespace qmb {

namespace {

AfterInstallRun ReadRun(const Context& ctx, const std::string& section, int n) {
  std::string i = std::to_string(n);
  return AfterInstallRun{ReadSettingIn(ctx, section, "是否外部运行" + i),
                         ReadSettingIn(ctx, section, "参数运行文件名" + i),
                         IsTrue(ReadSettingIn(ctx, section, "是否隐藏窗口" + i)),
                         IsTrue(ReadSettingIn(ctx, section, "是否等待返回" + i))};
}

}  // namespace

void ReadAfterInstallRuns(Context& ctx) {
  WizardState& w = ctx.wizard;
  w.pre_install_runs.clear();
  w.post_install_runs.clear();
  w.uninstall_runs.clear();

  const std::string runs = kRunsSection;
  int count = ListCount(ctx, ReadSettingIn(ctx, runs, "欲运行的次数"), runs);
  for (int n = 1; n <= count; ++n) {
    AfterInstallRun run = ReadRun(ctx, runs, n);
    run.file = ReplaceAll(run.file, "**", "\"");
    bool after = ReadSettingIn(ctx, runs, "作用方案" + std::to_string(n)) == kSchemeAfterUnpacking;
    (after ? w.post_install_runs : w.pre_install_runs).push_back(std::move(run));
  }

  const std::string uninstall = kUninstallRunsSection;
  count = ListCount(ctx, ReadSettingIn(ctx, uninstall, "欲运行的次数"), uninstall);
  for (int n = 1; n <= count; ++n) w.uninstall_runs.push_back(ReadRun(ctx, uninstall, n));
  ctx.log.Step("program lists: " + std::to_string(w.pre_install_runs.size()) + " before, " +
               std::to_string(w.post_install_runs.size()) + " after the unpacking, " +
               std::to_string(w.uninstall_runs.size()) + " at uninstall");
}

}  // namespace qmb
