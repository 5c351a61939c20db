// The wizard's page decisions, apart from its window: the page table, the first page, Back and
// Next, what each page does to the bottom row, the agreement box, the install inside the Next
// click, the exit question and the finish. The window calls these from its events and applies
// what they decide through WizardView.
#pragma once

#include <optional>
#include <string>

#include "wizard/wizard_pages.h"
#include "wizard/wizard_view.h"

namespace qmb {

struct Context;

// Builds ctx.wizard.pages from the settings: the licence page is shown when the package has a
// licence text, the components and folder pages when "界面_可视" says so; the button captions
// come from GUItext "按钮" (six entries, missing ones keep the built-in captions).
void BuildPageTable(Context& ctx);

// The licence text, the record "自述文本_开始" of data.ini; empty when none.
std::string LicenceText(const Context& ctx);

// The first shown page, in page order; the welcome page when none is shown.
int FirstShownPage(const WizardPages& pages);

// The page Back (-1) or Next (+1) leads to from current: the next shown page after it, or the
// last shown page before it; the welcome page when there is none, or when current is a page a
// support DLL added.
int StepTarget(const WizardPages& pages, int current, int direction);

// The bottom row as a page shows it before anything runs on it.
struct BottomRow {
  ButtonLook back;
  ButtonLook next;
  ButtonLook cancel;
  bool next_default = true;
};
BottomRow BottomRowFor(const WizardPages& pages, int page, bool agreement_ticked);

// Shows the first shown page; the welcome frame is hidden when that is not the welcome page.
void ShowFirstPage(Context& ctx, WizardView& view);

// The only way a page becomes current. On the installing page the installation runs (inside the
// click); when it is refused the wizard stays where it was with its buttons usable again, and when
// it ran the finish page follows. On the finish page it ends the program (FinishWizard).
void ShowPage(Context& ctx, WizardView& view, int page);

// The installing page made current as the installation starts (its image is the window's
// business): both buttons disabled, so that no click starts a second installation meanwhile, and
// the page-changed event runs as for every page.
void EnterInstallingPage(Context& ctx, WizardView& view);

// Back (-1) and Next (+1). Once the installation ran, Next leads to the finish page.
void StepPage(Context& ctx, WizardView& view, int direction);

// The agreement box was clicked: Next is enabled exactly while it is ticked.
void OnAgreementClicked(Context& ctx, WizardView& view);

// The page set changed page: page is the current page from now on.
void OnPageChanged(Context& ctx, WizardView& view, int page);

// Cancel or the window's close box: true when the program may end (the user said yes).
bool ConfirmExit(Context& ctx);

// Cancel or the window's close, once ConfirmExit said yes. Before the installation the process ends
// as cancelled; while it runs, the installation is asked to stop at the next file and undo itself
// (it ends on the finish page), and nothing more happens here; after it, the process ends with the
// installation's outcome. True when the process was ended.
bool CancelWizard(Context& ctx);

// Next on the finish page: the ticked finish options and every component's "finish" section (none
// of them after a failed installation), then the process ends.
void FinishWizard(Context& ctx);

// The folder the user picked in the folder dialog, as the folder box takes it: normalised, with
// the package's subfolder "浏览目录自动添加" appended when "自动添加路径" is on, and checked (a
// refused folder is told and gives nothing). The install folder follows the folder box.
std::optional<std::string> TakeBrowsedFolder(Context& ctx, const std::string& picked);

// Whether the installation that ran left a complete product.
bool InstallSucceeded(const Context& ctx);

}  // namespace qmb
