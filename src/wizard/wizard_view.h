// What the wizard's page decisions need from its window. The window implements it and only applies
// what it is told; tests record the calls.
#pragma once

#include <string>

namespace qmb {

struct ButtonLook {
  std::string caption;
  bool visible = true;
  bool enabled = true;
};

class WizardView {
 public:
  virtual ~WizardView() = default;
  // `上一步_按钮`.
  virtual void SetBackButton(const ButtonLook& look) = 0;
  // `下一步_按钮`; default_button is the property every page switches on and the licence page off.
  virtual void SetNextButton(const ButtonLook& look, bool default_button) = 0;
  // `取消按钮_主窗口`.
  virtual void SetCancelButton(const ButtonLook& look) = 0;
  virtual bool IsAgreementTicked() = 0;
  // Makes the page current in the page set; the page-changed event follows (OnPageChanged).
  virtual void SelectPage(int page) = 0;
  // The frame `外形框I_1` of the welcome page.
  virtual void SetWelcomeFrameVisible(bool visible) = 0;
  // The finish options' ticks as their boxes show them now, into ctx.wizard.finish_options.
  virtual void TakeFinishTicks() = 0;
  // The finish page after a failed installation: its two texts, and no finish option offered.
  virtual void ShowInstallFailure(const std::string& title, const std::string& text) = 0;
};

}  // namespace qmb
