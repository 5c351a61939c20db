// The install driver's steps in their order.
#include "extract/install_driver.h"

#include "context/context.h"
#include "extract/extract_archive.h"
#include "extract/install_outcome.h"
#include "extract/install_progress.h"
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
#include "wizard/wizard_install_view.h"

namespace qmb {

namespace {

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
  // The folders the payload brings are told from the ones that were there by a look before and
  // after: the archive library makes them without saying so.
  const std::string& install_folder = ctx.wizard.install_folder;
  const std::vector<std::string> folders_before =
      ListFolderTree(ctx.platform.files, install_folder);
  ExtractAssignedFiles(ctx, password);
  const bool extracted = ExtractPayload(ctx, password);
  NoteNewFolders(ctx, install_folder, folders_before);
  if (extracted) {
    SetOutcome(ctx, InstallResult::kComplete, "");
  } else {
    SetOutcome(ctx, InstallResult::kExtractionFailed,
               "the payload could not be unpacked into " + ctx.wizard.install_folder);
  }
  RemoveTemporaryFiles(ctx, true);
  CreateShortcuts(ctx);
  WriteRegistryEntries(ctx);
  if (GeneratesUninstaller(ctx)) WriteUninstallRecord(ctx);
  RunProgramList(ctx, ctx.wizard.post_install_runs);
  RunComponentSections(ctx, kScriptUnzip);
  FinishInstall(ctx);
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
