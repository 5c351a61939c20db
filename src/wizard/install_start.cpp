// The install start's checks and steps, in the order the installation relies on: nothing is
// written before the folder, the space and the installer password are accepted.
#include "wizard/install_start.h"

#include <cstdint>

#include "base/digest.h"
#include "base/path.h"
#include "base/text.h"
#include "context/context.h"
#include "extract/install_driver.h"
#include "extract/install_outcome.h"
#include "extract/wizard_install_view.h"
#include "script/program_runs.h"
#include "script/script_runner.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"
#include "startup/temporary_files.h"
#include "system/system_settings.h"
#include "system/uninstall_record.h"
#include "uninstall/removal_paths.h"

namespace qmb {
namespace {

constexpr char kNoFolderText[] = "请先填写好完整的安装路径后再执行下一步操作！";
constexpr char kChineseText[] = "选择的路径含有中文字符，请重新选择";
constexpr char kWrongPathText[] = "选择的路径有误，请重新选择";
constexpr char kNoSpaceText[] = "当前释放的数据将会占满磁盘空间，建议换其他盘重试";
constexpr char kNoSpaceWithVolumesText[] =
    "当前释放的数据将会占满磁盘空间(所需总空间为源数据+所有分卷大小)，建议换其他盘重试";
constexpr char kPasswordPrompt[] = "请输入安装程序的密码才可继续安装";
constexpr char kBadProductNameText[] = "安装包的软件名称无法用于卸载程序，安装已停止";

// An unattended run shows no box: nobody would be there to click it, and the run would never end.
// The refusal's reason is in the log and in the exit code instead.
void Tell(Context& ctx, const char* text, uint32_t icon) {
  if (ctx.startup.run_mode == kRunModeBackground) {
    ctx.log.Step(std::string("message not shown in the background run: ") + text);
    return;
  }
  ctx.platform.dialogs.MessageBox(text, ctx.wizard.window_caption, icon);
}

// Two bytes in a row from 0x81 to 0xFE: the rule's test for a Chinese character.
bool HasDoubleByteCharacter(const std::string& path) {
  for (size_t i = 0; i + 1 < path.size(); ++i) {
    if (IsGbkLead(static_cast<unsigned char>(path[i])) &&
        IsGbkLead(static_cast<unsigned char>(path[i + 1]))) {
      return true;
    }
  }
  return false;
}

// The free space the check counts: whole kilobytes of the drive that the folder's first character
// names. A drive that does not answer has none.
int64_t FreeBytes(Context& ctx, const std::string& folder) {
  const uint64_t free = ctx.platform.files.FreeSpace(folder.substr(0, 1) + ":\\").value_or(0);
  return static_cast<int64_t>(free / 1024 * 1024);
}

// Steps 5 and 6: false, after telling the user, when the payload with the uninstaller's files
// (and every split volume, which the extraction copies nothing of but must fit beside) would not
// fit.
bool CheckFreeSpace(Context& ctx, const std::string& folder) {
  const int64_t free = FreeBytes(ctx, folder);
  int64_t needed = ctx.startup.required_size + UninstallerFilesSize(ctx);
  const std::vector<std::string>& volumes = ctx.startup.volume_list;
  for (const std::string& volume : volumes) {
    needed += static_cast<int64_t>(ctx.platform.files.Size(volume).value_or(0));
  }
  if (free >= needed) return true;
  Tell(ctx, volumes.empty() ? kNoSpaceText : kNoSpaceWithVolumesText, kMbIconWarning);
  SetOutcome(ctx, InstallResult::kTooLittleSpace,
             "too little space for " + folder + ": " + std::to_string(free) + " bytes free, " +
                 std::to_string(needed) + " needed");
  return false;
}

// Step 8: the installer password, when the package has one, replaces the payload password. The
// wizard asks for it once per click; a background run has nobody to ask, so it takes only a password
// given to it (by a support DLL's install request) and otherwise ends with "not given".
bool CheckInstallerPassword(Context& ctx, const std::string& password, bool given) {
  const std::string digest = ReadSetting(ctx, "安装密码");
  if (digest.empty()) return true;
  std::optional<std::string> typed;
  if (given) {
    typed = password;
  } else if (ctx.startup.run_mode == kRunModeBackground) {
    ctx.log.Step("install: the background run asks for no installer password");
  } else {
    typed = ctx.platform.dialogs.InputBox(kPasswordPrompt, ctx.wizard.window_caption, true);
  }
  if (typed && Md5Hex(*typed) == digest) {
    ctx.wizard.payload_password = *typed;
    return true;
  }
  if (typed) {
    SetOutcome(ctx, InstallResult::kPasswordWrong, "wrong installer password");
  } else {
    SetOutcome(ctx, InstallResult::kPasswordCancelled, "installer password not given");
  }
  return false;
}

// The product name names the uninstaller's working folder, its entry and its links: a name the
// uninstaller must refuse would leave an entry that can never be cleared.
bool CheckProductName(Context& ctx) {
  const std::string name = ReadSetting(ctx, "禾木软件名称");
  if (!GeneratesUninstaller(ctx) || IsSoundName(name)) return true;
  Tell(ctx, kBadProductNameText, kMbIconError);
  SetOutcome(ctx, InstallResult::kBadProductName,
             "the product name \"" + name + "\" cannot name the uninstaller; nothing installed");
  return false;
}

// Steps 2 to 8; false when the start is refused.
bool AcceptInstall(Context& ctx, const std::string& password, bool given) {
  WizardState& wizard = ctx.wizard;
  if (!CheckProductName(ctx)) return false;
  ctx.platform.dialogs.ProcessPendingMessages();
  wizard.install_folder = NormalizePath(wizard.folder_box);
  const std::string& folder = wizard.install_folder;
  if (folder.empty()) {
    Tell(ctx, kNoFolderText, kMbIconError);
    SetOutcome(ctx, InstallResult::kNoFolder, "no install folder");
    return false;
  }
  if (!CheckInstallPath(ctx, folder)) {
    SetOutcome(ctx, InstallResult::kFolderRejected, "install folder refused: " + folder);
    return false;
  }
  if (!CheckFreeSpace(ctx, folder)) return false;
  wizard.payload_password = ReadSetting(ctx, "safe");
  if (!CheckInstallerPassword(ctx, password, given)) return false;
  ctx.log.Step("install: start in " + folder);
  return true;
}

}  // namespace

bool CheckInstallPath(Context& ctx, const std::string& path) {
  if (!IsFolderBelowDrive(path)) {
    ctx.log.Failure("install folder: not a folder below a drive: " + path);
    Tell(ctx, kWrongPathText, kMbIconError);
    return false;
  }
  if (IsTrue(ReadSettingIn(ctx, kPathRulesSection, "ch")) && HasDoubleByteCharacter(path)) {
    ctx.log.Failure("install folder: Chinese characters refused: " + path);
    Tell(ctx, kChineseText, kMbIconError);
    return false;
  }
  const std::vector<std::string> rule = SplitGbk(ReadSettingIn(ctx, kPathRulesSection, "zwj"), ',');
  if (rule.size() >= 2 && IsTrue(rule[0])) {
    const std::string required = path + "\\" + rule[1];
    if (!ctx.platform.files.Exists(required)) {
      ctx.log.Failure("install folder: " + required + " missing");
      Tell(ctx, kWrongPathText, kMbIconError);
      return false;
    }
  }
  return true;
}

bool StartInstall(Context& ctx, const std::string& password, bool given) {
  if (!AcceptInstall(ctx, password, given)) {
    if (ctx.startup.run_mode == kRunModeBackground) {
      // Nothing was unpacked: a "7ztemp" in the refused folder is not ours to remove.
      ctx.wizard.install_folder.clear();
      RemoveTemporaryFiles(ctx, true);
      EndProcess(ctx);
    }
    return false;
  }
  WizardState& wizard = ctx.wizard;
  WizardInstallView* view = wizard.install_view;
  const int32_t details_mode = ctx.progress.details_list_mode;
  if (view && (details_mode == 1 || details_mode == 2)) view->HideDetailsList(details_mode == 1);
  // A DLL that installs from its own page (request 1009) may keep that page in front.
  if (view) view->PrepareInstallPage(!ctx.support_dlls.silent_page_switch);
  const bool taskbar = view && IsTrue(ReadSetting(ctx, "任务栏进度"));
  if (taskbar) view->StartTaskbarProgress();

  // The ticks decide which sections run; a DLL may have set some on the tree view itself.
  if (view) view->TakeTreeTicks();
  RunComponentSections(ctx, kScriptInstall);
  // From here on the install folder is the install's own, also when a pre-install program is the
  // first to need it.
  BeginInstallJournal(ctx);
  if (!ctx.startup.test_mode() &&
      !ctx.journal.CreateFolderPath(wizard.install_folder))
    ctx.log.Failure("install: cannot make " + wizard.install_folder);
  RunProgramList(ctx, wizard.pre_install_runs);
  RunInstall(ctx, wizard.payload_password);
  wizard.pages.install_ran = true;
  if (taskbar) view->StopTaskbarProgress();
  return true;
}

}  // namespace qmb
