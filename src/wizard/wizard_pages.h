// The wizard's page table: the six pages in their fixed order, which of them are shown, the
// current page and the captions the bottom row's buttons take on each page.
#pragma once

#include <array>
#include <string>

namespace qmb {

enum WizardPage : int {
  kPageWelcome = 0,
  kPageLicence = 1,
  kPageComponents = 2,
  kPageFolder = 3,
  kPageInstalling = 4,
  kPageFinish = 5,
};
inline constexpr int kPageCount = 6;

// Entries of the button captions list (GUItext "按钮").
enum ButtonCaption : int {
  kCaptionBack = 0,
  kCaptionNextLicence = 1,
  kCaptionNext = 2,
  kCaptionInstall = 3,
  kCaptionCancel = 4,
  kCaptionFinish = 5,
};

struct PageRecord {
  int page = 0;
  bool shown = false;
};

struct WizardPages {
  bool built = false;  // the page table exists (only an installer package builds it)
  std::array<PageRecord, kPageCount> records{};  // welcome .. finish, in that order
  std::array<bool, kPageCount> shown{};          // indexed by page number
  int current = kPageWelcome;
  std::array<std::string, kPageCount> captions{};
  bool agreement_in_use = true;  // "同意条款" is not "真": Next on the licence page waits for it
};

}  // namespace qmb
