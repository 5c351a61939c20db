// The start-up window's creation steps, apart from the window code: the support DLL folder reset,
// the package step, the message window's caption, the package-kind branch and the removal of the
// work folder. The window code supplies the few window operations through StartupWindowPort.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qmb {

struct Context;

// Caption prefix of the hidden message window through which support DLLs find the program.
inline constexpr char kMessageWindowPrefix[] = "备用的传递消息I_";

// The hidden message window's caption: the prefix and the decimal address of the message entry.
std::string MessageWindowCaption(uintptr_t entry_address);

class StartupWindowPort {
 public:
  virtual ~StartupWindowPort() = default;
  // The hidden "Static" child window carrying caption.
  virtual void CreateMessageWindow(const std::string& caption) = 0;
  virtual void SetVisible(bool visible) = 0;
  virtual void Close() = 0;
  // Loads the uninstall window, non-modal; its creation runs the uninstaller (StartUninstall).
  virtual void OpenUninstallWindow() = 0;
  // Makes the wizard's pages in the window from the prepared model and the page table; support
  // DLLs reach its controls from then on.
  virtual void OpenWizard() = 0;
  // Shows the first shown page of the wizard made by OpenWizard.
  virtual void ShowFirstWizardPage() = 0;
  // Arms the one-shot timer after which the direct mode goes to the installing page.
  virtual void ArmDirectInstall() = 0;
};

enum class StartupOutcome {
  kShown,         // the start-up window stays
  kHidden,        // the start-up window stays, invisible (show window flag)
  kClosed,        // the start-up window was closed (uninstaller kind); after a background
                  // install the process has ended (the host platform only records that)
};

// The creation handler of the start-up window. package_step runs the package step and returns its
// result (0 no package, 1 installer, 2 uninstaller); entry_address is the message entry routine's.
StartupOutcome RunStartupWindowCreation(Context& ctx, StartupWindowPort& window,
                                        const std::function<int()>& package_step,
                                        uintptr_t entry_address);

}  // namespace qmb
