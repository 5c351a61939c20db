// The install driver's steps in their order.
#include "extract/install_driver.h"

#include "base/path.h"
#include "context/context.h"
#include "extract/extract_archive.h"
#include "extract/install_outcome.h"
#include "extract/install_progress.h"
#include "extract/wizard_install_view.h"
#include "script/program_runs.h"
#include "script/script_runner.h"
#include "startup/dll_notifications.h"
#include "startup/section_reader.h"
#include "startup/settings_catalogue.h"
#include "startup/temporary_files.h"
#include "system/registry_entries.h"
#include "system/shortcuts.h"
#include "system/system_settings.h"
#include "system/uninstall_record.h"

namespace qmb {

namespace {

// The folder of the install's own where files it replaces wait until it completes.
constexpr char kBackupFolderName[] = "~setup-backup";

// Offset of the archive in the payload copy: behind the opening mark "QMB-mark=7zipdataA" + 0x01.
constexpr uint64_t kPayloadArchiveOffset = 19;

// The main run into the install folder itself: with split volumes its drive letter is upper-cased
// in place, which the installed-files log's relative names rely on.
bool ExtractPayload(Context& ctx, const std::string& password) {
  StartupState& startup = ctx.startup;
  ExtractState& extract = ctx.extract;
  ProgressSink sink = [&ctx](const std::string& name, int32_t percent) {
    ReportInstallProgress(ctx, name, percent);
  };
  return ExtractArchive(ctx, startup.archive_path, ctx.wizard.install_folder, false, password,
                        sink, extract.inclusion_list, extract.exclusion_list,
                        startup.volume_list);
}

// Undoes what the installation changed and ends it with result; the reason says why, and whether
// the undo was complete.
void RollBack(Context& ctx, InstallResult result, std::string reason) {
  if (ctx.outcome.cancel_requested) {
    result = InstallResult::kCancelled;
    reason = "cancelled by the user";
  }
  ctx.log.Step("install: not completed, undoing its changes");
  // Programs the package ran before or during the install, and its registry scripts, are
  // outside what the journal can undo.
  ctx.log.Step("rollback: programs already run and registry scripts are not undone");
  const RollbackReport report = ctx.journal.Rollback();
  ctx.outcome.install_running = false;
  if (report.complete()) {
    reason += "; nothing was installed";
  } else {
    result = InstallResult::kRollbackIncomplete;
    reason += "; could not undo: " + report.not_restored.front();
    if (report.not_restored.size() > 1)
      reason += " and " + std::to_string(report.not_restored.size() - 1) + " more (see the log)";
  }
  SetOutcome(ctx, result, std::move(reason));
  FinishInstall(ctx);
}

}  // namespace

void RunInstall(Context& ctx, const std::string& password) {
  ctx.platform.dialogs.ProcessPendingMessages();
  if (ctx.startup.test_mode()) {
    ctx.log.Step("install: test mode, nothing is installed");
    SetOutcome(ctx, InstallResult::kComplete, "");
    FinishInstall(ctx);
    return;
  }
  StartupState& startup = ctx.startup;
  // Only the copy this program made is ours to write to; the package itself and the user's
  // volume files are never changed.
  if (IsPayloadCopy(ctx, startup.archive_path)) {
    RepairArchiveSignature(ctx, startup.archive_path, kPayloadArchiveOffset);
  }
  if (!ctx.extract.archive_path_override.empty()) {
    startup.archive_path = ctx.extract.archive_path_override;
    ctx.log.Step("install: archive " + startup.archive_path);
  }
  ctx.outcome.install_started = true;
  ctx.outcome.install_running = true;
  BeginInstallJournal(ctx);
  const std::string& install_folder = ctx.wizard.install_folder;
  const bool unpacked = ExtractAssignedFiles(ctx, password) && ExtractPayload(ctx, password);
  RemoveTemporaryFiles(ctx, true);
  if (!unpacked) {
    RollBack(ctx, InstallResult::kExtractionFailed,
             "the payload could not be unpacked into " + ctx.wizard.install_folder);
    return;
  }
  CreateShortcuts(ctx);
  WriteRegistryEntries(ctx);
  const bool uninstaller = WriteUninstallRecord(ctx);
  if (ctx.outcome.cancel_requested) {
    RollBack(ctx, InstallResult::kCancelled, "");
    return;
  }
  if (!uninstaller) {
    RollBack(ctx, InstallResult::kUninstallerFailed,
             "the uninstaller could not be written into " + install_folder);
    return;
  }
  if (ctx.journal.refused()) {
    RollBack(ctx, InstallResult::kStepFailed, "a change to the machine was refused");
    return;
  }
  ctx.journal.Commit();
  ctx.outcome.install_running = false;
  SetOutcome(ctx, InstallResult::kComplete, "");
  RunProgramList(ctx, ctx.wizard.post_install_runs);
  RunComponentSections(ctx, kScriptUnzip);
  FinishInstall(ctx);
}

void BeginInstallJournal(Context& ctx) {
  if (ctx.startup.test_mode() || ctx.journal.recording()) return;
  // A backup folder left by an install that was cut short (its process killed, the power lost)
  // holds the user's files that install had replaced: it stays, and this install takes another.
  const std::string first = JoinPath(ctx.wizard.install_folder, kBackupFolderName);
  std::string folder = first;
  for (int n = 2; ctx.platform.files.Exists(folder); ++n) folder = first + "." + std::to_string(n);
  ctx.journal.Begin(folder);
}

void FinishInstall(Context& ctx) {
  if (ctx.wizard.install_view) ctx.wizard.install_view->ShowFinishState();
  ctx.log.Step("install: finished");
  NotifyInstallFinished(ctx);
  const StartupState& startup = ctx.startup;
  if (startup.run_mode == kRunModeBackground || startup.finish_page_switch == -1) {
    EndProcess(ctx);
  }
}

}  // namespace qmb
