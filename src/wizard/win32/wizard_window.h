// The wizard window: the six pages on a tab control whose strip never shows, the bottom row, the
// components tree, the finish page's option boxes and the installing page. It only applies what the
// window-free wizard code decides (wizard_flow.h, install_start.h, components_model.h).
#pragma once

#include <memory>

#include "platform/win32/windows_include.h"

namespace qmb {

struct Context;
class WizardWindow;

struct WizardWindowDelete {
  void operator()(WizardWindow* wizard) const;
};
using WizardWindowPtr = std::unique_ptr<WizardWindow, WizardWindowDelete>;

// Makes the wizard's controls in host (the start-up window) from the prepared model and the page
// table; support DLLs reach them while the wizard lives. Needs the common controls initialised.
WizardWindowPtr OpenWizardWindow(HWND host, Context& ctx);

// Shows the first shown page.
void ShowWizardFirstPage(WizardWindow& wizard);

// The direct mode's one-shot timer `时钟1`: on its tick the wizard goes to the installing page.
void ArmDirectInstallTimer(WizardWindow& wizard);

// The host window's messages that belong to the wizard; true (and *result set) when handled.
bool HandleWizardMessage(WizardWindow& wizard, UINT message, WPARAM w, LPARAM l, LRESULT* result);

}  // namespace qmb
