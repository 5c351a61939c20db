// What the install start and the install driver ask of the wizard window. The window implements
// it; in the background mode there is no window to show anything, and the steps leave it out.
#pragma once

namespace qmb {

class WizardInstallView {
 public:
  virtual ~WizardInstallView() = default;
  // Details-list modes 1 and 2: the details list `超级列表框` hidden; in mode 1 the button
  // `按钮_显示细节` shown instead.
  virtual void HideDetailsList(bool show_details_button) = 0;
  // The installing page's image, and with bring_forward the installing page made current
  // (EnterInstallingPage).
  virtual void PrepareInstallPage(bool bring_forward) = 0;
  // The tree items' ticks as the tree view shows them now, into ctx.wizard.tree.
  virtual void TakeTreeTicks() = 0;
  // Progress on the taskbar button (80 ms timer) while the installation runs; Stop leaves the
  // button at 100 of 100 and switches its progress display off.
  virtual void StartTaskbarProgress() = 0;
  virtual void StopTaskbarProgress() = 0;
  // The finish state: Next gets the caption after the installation, Back is hidden.
  virtual void ShowFinishState() = 0;
};

}  // namespace qmb
