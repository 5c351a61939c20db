// The page walk and the bottom row's states, in the order the window relies on.
#include "wizard/wizard_flow.h"

#include "base/path.h"
#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "extract/install_outcome.h"
#include "script/script_runner.h"
#include "startup/dll_notifications.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"
#include "startup/temporary_files.h"
#include "wizard/dll_requests.h"
#include "wizard/finish_options.h"
#include "wizard/install_start.h"
#include "wizard/wizard_view.h"

namespace qmb {
namespace {

constexpr char kFailedTitle[] = "安装未完成";

// The captions the window is made with; the package's "按钮" replaces them.
const std::array<std::string, kPageCount> kBuiltInCaptions = {
    "上一步(&P)", "我接受(&I)", "下一步(&N)", "安装(&I)", "取消(&C)", "完成(&F)"};

std::array<std::string, kPageCount> ButtonCaptions(const Context& ctx) {
  std::array<std::string, kPageCount> captions = kBuiltInCaptions;
  const std::optional<std::string> record = StoreFind(ctx.settings.gui_text, "按钮");
  if (!record) return captions;
  const std::vector<std::string> parts = SplitGbk(*record, ',');
  // A shorter list leaves the built-in captions: a button without a caption could not be found.
  for (size_t i = 0; i < parts.size() && i < captions.size(); ++i) captions[i] = parts[i];
  return captions;
}

bool IsPage(int page) { return page >= 0 && page < kPageCount; }

// The finish page after a failed installation says so, with the reason, instead of success.
void ShowFailure(Context& ctx, WizardView& view) {
  const std::string product = ReadSetting(ctx, "禾木软件名称");
  std::string text;
  switch (ctx.outcome.result) {
    case InstallResult::kCancelled:
      text = "“" + product + "”的安装已取消，已撤销安装所做的更改，软件未安装。";
      break;
    case InstallResult::kRollbackIncomplete:
      text = "“" + product + "”安装失败，部分更改未能撤销（详见日志）。";
      break;
    default:
      text = "“" + product + "”安装失败，已撤销安装所做的更改，软件未安装。";
  }
  // A failure's reason names what failed (and where); a cancel's would only repeat the text above.
  if (ctx.outcome.result != InstallResult::kCancelled && !ctx.outcome.reason.empty())
    text += "\r\n" + ctx.outcome.reason;
  view.ShowInstallFailure(kFailedTitle, text);
}

}  // namespace

std::string LicenceText(const Context& ctx) {
  // The multi-line box breaks lines only at CR LF; a licence written on Linux has bare LFs.
  const std::string text = StoreFind(ctx.settings.data_ini, "自述文本_开始").value_or("");
  std::string lines;
  lines.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) lines += '\r';
    lines += text[i];
  }
  return lines;
}

void BuildPageTable(Context& ctx) {
  WizardPages& pages = ctx.wizard.pages;
  const bool shown[kPageCount] = {
      true,
      !LicenceText(ctx).empty(),
      IsTrue(ReadSettingIn(ctx, kPagesSection, "选择组件可视")),
      IsTrue(ReadSettingIn(ctx, kPagesSection, "浏览目录可视")),
      true,
      true,
  };
  pages.shown.fill(false);
  for (int i = 0; i < kPageCount; ++i) {
    pages.records[i] = {i, shown[i] ? 1 : 0};
    pages.shown[pages.records[i].page] = pages.records[i].shown;
  }
  pages.captions = ButtonCaptions(ctx);
  pages.agreement_in_use = !IsTrue(ReadSetting(ctx, "同意条款"));
  pages.built = true;
  std::string flags;
  for (int32_t flag : pages.shown) flags += flag ? '1' : '0';
  ctx.log.Step("wizard: pages shown " + flags);
}

int FirstShownPage(const WizardPages& pages) {
  for (int i = 0; i < kPageCount; ++i)
    if (pages.shown[i]) return i;
  return kPageWelcome;
}

int StepTarget(const WizardPages& pages, int current, int direction) {
  int target = kPageWelcome;
  // From a page a support DLL added, Back would otherwise land on the finish page, which only the
  // installation may lead to.
  if (!IsPage(current)) return target;
  for (int i = 0; i < kPageCount; ++i) {
    if (!pages.shown[i]) continue;
    if (direction > 0 && i > current) return i;
    if (direction < 0 && i < current) target = i;
  }
  return target;
}

BottomRow BottomRowFor(const WizardPages& pages, int page, bool agreement_ticked) {
  BottomRow row;
  row.back = {pages.captions[kCaptionBack], page != kPageWelcome, true};
  row.next = {pages.captions[kCaptionNext], true, true};
  // After the installation nothing is left to cancel.
  row.cancel = {pages.captions[kCaptionCancel], page != kPageFinish, true};
  switch (page) {
    case kPageLicence:
      row.next_default = false;
      row.next.caption = pages.captions[kCaptionNextLicence];
      row.next.enabled = !pages.agreement_in_use || agreement_ticked;
      break;
    case kPageFolder:
      row.next.caption = pages.captions[kCaptionInstall];
      break;
    case kPageInstalling:
      row.back.enabled = false;
      row.next.enabled = false;
      break;
    default:
      break;
  }
  return row;
}

void ShowFirstPage(Context& ctx, WizardView& view) {
  const int first = FirstShownPage(ctx.wizard.pages);
  ShowPage(ctx, view, first);
  if (first != kPageWelcome) view.SetWelcomeFrameVisible(false);
}

void ShowPage(Context& ctx, WizardView& view, int page) {
  WizardPages& pages = ctx.wizard.pages;
  if (pages.current == kPageFinish) {
    // A DLL may have ticked the option boxes itself, through the handles it was given.
    view.TakeFinishTicks();
    FinishWizard(ctx);
    return;
  }
  if (!IsPage(page)) return;
  // The installation ran already (a DLL started it): the installing page leads to the finish page.
  if (page == kPageInstalling && pages.install_ran) page = kPageFinish;
  const BottomRow row = BottomRowFor(pages, page, view.IsAgreementTicked());
  view.SetBackButton(row.back);
  view.SetNextButton(row.next, row.next_default);
  view.SetCancelButton(row.cancel);
  if (page == kPageInstalling) {
    ctx.log.Step("wizard: installing page");
    if (!StartInstall(ctx, "", false)) {
      // Refused before anything was written: the user corrects the folder or the password.
      view.SetNextButton({pages.captions[kCaptionInstall], true, true}, true);
      view.SetBackButton({pages.captions[kCaptionBack], pages.current != kPageWelcome, true});
      return;
    }
    NotifyInstallDone(ctx, pages.records[kPageInstalling].page);
    page = kPageFinish;
    if (!InstallSucceeded(ctx)) ShowFailure(ctx, view);
  }
  if (page == kPageFinish) {
    const BottomRow finish = BottomRowFor(pages, kPageFinish, false);
    view.SetNextButton({pages.captions[kCaptionFinish], true, true}, true);
    view.SetCancelButton(finish.cancel);
  }
  pages.current = page;
  view.SelectPage(page);
}

void EnterInstallingPage(Context& ctx, WizardView& view) {
  WizardPages& pages = ctx.wizard.pages;
  const BottomRow row = BottomRowFor(pages, kPageInstalling, false);
  view.SetBackButton(row.back);
  view.SetNextButton(row.next, row.next_default);
  pages.current = kPageInstalling;
  view.SelectPage(kPageInstalling);
}

void StepPage(Context& ctx, WizardView& view, int direction) {
  const WizardPages& pages = ctx.wizard.pages;
  // After the installation, Next leads to the finish page also from a page a DLL added.
  const int target = pages.install_ran && direction > 0
                         ? kPageFinish
                         : StepTarget(pages, pages.current, direction);
  if (PageChangeVetoed(ctx, pages.current, direction)) {
    ctx.log.Step("wizard: page change vetoed");
    return;
  }
  ShowPage(ctx, view, target);
}

void OnAgreementClicked(Context& ctx, WizardView& view) {
  const WizardPages& pages = ctx.wizard.pages;
  if (pages.current != kPageLicence) return;
  const BottomRow row = BottomRowFor(pages, kPageLicence, view.IsAgreementTicked());
  view.SetNextButton(row.next, row.next_default);
}

void OnPageChanged(Context& ctx, WizardView& view, int page) {
  ctx.wizard.pages.current = page;
  if (page == kPageWelcome) view.SetWelcomeFrameVisible(true);
  TellDllsPageChanged(ctx, page);
}

bool ConfirmExit(Context& ctx) {
  const std::string question = "当前未完成安装 " + ReadSetting(ctx, "禾木软件名称") +
                               ReadSetting(ctx, "软件版本") + "，是否退出安装？";
  const int answer = ctx.platform.dialogs.MessageBox(question, ctx.wizard.window_caption,
                                                     kMbYesNo | kMbIconWarning);
  if (answer != kIdYes) {
    ExitVetoed(ctx, false);
    return false;
  }
  return !ExitVetoed(ctx, true);
}

bool CancelWizard(Context& ctx) {
  InstallOutcome& outcome = ctx.outcome;
  if (outcome.install_running) {
    ctx.log.Step("wizard: cancel confirmed during the installation; it stops and is undone");
    outcome.cancel_requested = true;
    return false;
  }
  // A refusal of an earlier attempt is no reason for this exit: the user cancelled.
  if (!outcome.install_started) SetOutcome(ctx, InstallResult::kCancelled, "cancelled by the user");
  RemoveTemporaryFiles(ctx, true);
  EndProcess(ctx);
  return true;
}

std::optional<std::string> TakeBrowsedFolder(Context& ctx, const std::string& picked) {
  std::string box = NormalizePath(picked);
  const std::string subfolder = ReadSetting(ctx, "浏览目录自动添加");
  if (IsTrue(ReadSetting(ctx, "自动添加路径")) && !subfolder.empty()) box += "\\" + subfolder;
  // The folder the box will hold is what is installed to: a drive root is fine when the package
  // adds its own subfolder below it.
  if (!CheckInstallPath(ctx, box)) return std::nullopt;
  ctx.wizard.folder_box = box;
  ctx.wizard.install_folder = box;
  return box;
}

bool InstallSucceeded(const Context& ctx) {
  return ctx.outcome.result == InstallResult::kComplete;
}

void FinishWizard(Context& ctx) {
  if (InstallSucceeded(ctx)) {
    RunFinishOptions(ctx);
    RunComponentSections(ctx, "finish");
  } else {
    // The finish steps would start or set up a product that is not there (its changes undone),
    // and what they changed no undo would take back.
    ctx.log.Step("wizard: the installation failed; no finish option or finish section runs");
  }
  EndProcess(ctx);
}

}  // namespace qmb
