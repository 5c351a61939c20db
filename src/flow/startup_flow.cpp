// The start-up window's creation steps.
#include "flow/startup_flow.h"

#include "context/context.h"
#include "extract/install_outcome.h"
#include "startup/support_dlls.h"
#include "startup/temporary_files.h"
#include "wizard/install_start.h"
#include "wizard/wizard_flow.h"
#include "wizard/wizard_preparation.h"

namespace qmb {
namespace {

// No support DLL of an earlier run may remain: the folder is made and removed again.
void ClearEarlierSupportDlls(Context& ctx) {
  Files& files = ctx.platform.files;
  const std::string folder = SupportDllFolder(ctx);
  files.CreateDirectory(folder);
  if (files.RemoveTree(folder)) {
    ctx.log.Step("start-up: reset " + folder);
  } else {
    ctx.log.Failure("start-up: cannot remove " + folder);
  }
}

}  // namespace

std::string MessageWindowCaption(uintptr_t entry_address) {
  return kMessageWindowPrefix + std::to_string(entry_address);
}

StartupOutcome RunStartupWindowCreation(Context& ctx, StartupWindowPort& window,
                                        const std::function<int()>& package_step,
                                        uintptr_t entry_address) {
  StartupState& startup = ctx.startup;
  ClearEarlierSupportDlls(ctx);

  startup.package_result = package_step();
  ctx.log.Step("start-up: package result " + std::to_string(startup.package_result));

  const std::string caption = MessageWindowCaption(entry_address);
  window.CreateMessageWindow(caption);
  ctx.log.Step("start-up: message window " + caption);
  startup.show_window = true;

  if (startup.package_result == 2 && startup.arguments.size() != 1) {
    ctx.log.Step("start-up: uninstaller kind; opening the uninstall window");
    window.OpenUninstallWindow();
    window.Close();
    return StartupOutcome::kClosed;
  }
  const bool installer = startup.package_result == 1;
  if (installer) PrepareWizardModel(ctx);
  const bool background = startup.run_mode == kRunModeBackground;
  if (!background) {
    // The wizard's controls exist before the DLLs start, so that a DLL's start can already reach
    // them (its own page, the buttons); the first page shows after the DLLs had their say.
    BuildPageTable(ctx);
    window.OpenWizard();
  }
  if (installer) {
    StartSupportDlls(ctx);
    ctx.log.Step("start-up: installer; run mode \"" + startup.run_mode + "\"");
  } else {
    ctx.log.Step("start-up: no installer package; built-in texts only");
  }

  if (background) {
    // The window stays hidden and the installation runs at once; the process ends with its
    // outcome. A hidden window that stayed would be a process nobody can end.
    if (startup.package_result == 1) {
      StartInstall(ctx, "", false);
    } else {
      SetOutcome(ctx, InstallResult::kNoPackage, "background install without an installer package");
    }
    RemoveTemporaryFiles(ctx, false);
    EndProcess(ctx);
    window.Close();
    return StartupOutcome::kClosed;
  }
  if (installer && startup.run_mode == kRunModeDirect) {
    ctx.log.Step("start-up: direct install armed");
    window.ArmDirectInstall();
  }
  window.ShowFirstWizardPage();
  window.SetVisible(startup.show_window);
  ctx.log.Step(std::string("start-up: window ") + (startup.show_window ? "shown" : "hidden"));
  const StartupOutcome outcome =
      startup.show_window ? StartupOutcome::kShown : StartupOutcome::kHidden;
  RemoveTemporaryFiles(ctx, false);
  ctx.log.Step("start-up: done");
  return outcome;
}

}  // namespace qmb
