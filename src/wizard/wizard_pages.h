// The wizard's page table: the six pages in their fixed order, which of them are shown, the
// current page and the captions the bottom row's buttons take on each page.
#pragma once

#include <array>
#include <cstdint>
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

// Support DLLs read the page table and the page-shown flags by address (page requests 1001 and
// 1002), so both have a fixed layout of 32-bit integers on either build: a record is {page
// number, shown}, and every flag is 1 or 0, the size of a Win32 BOOL.
struct PageRecord {
  int32_t page = 0;
  int32_t shown = 0;
};
static_assert(sizeof(PageRecord) == 8, "two 32-bit integers, no padding");

struct WizardPages {
  bool built = false;  // the page table exists (only an installer package builds it)
  std::array<PageRecord, kPageCount> records{};  // welcome .. finish, in that order
  std::array<int32_t, kPageCount> shown{};       // indexed by page number: 1 shown, 0 not
  static_assert(sizeof(shown) == 4 * kPageCount, "six 32-bit flags");
  // The one current page: what the page set shows, whoever made it current (Back and Next, the
  // installation, a DLL's request).
  int current = kPageWelcome;
  // The installation ran: Next leads on to the finish page, and never to a second installation.
  bool install_ran = false;
  std::array<std::string, kPageCount> captions{};
  bool agreement_in_use = true;  // "同意条款" is not "真": Next on the licence page waits for it
};

}  // namespace qmb
