// The two routines through which support DLLs ask things of the installer: the message entry
// routine, whose address stands in the message window's caption, and the page request handler for
// the page-related requests. Texts come and go as addresses of GBK texts; the program copies what
// it is given and keeps what it answers. Unknown codes answer 0.
#pragma once

#include <cstdint>

namespace qmb {

struct Context;

// Requests of the message entry routine.
enum MessageEntryCode : int {
  kEntryPageImage = 1001,       // first: page number; the header image's window
  kEntryButton = 1002,          // first: 101 Back, 102 Next, 103 Cancel; that button's window
  kEntryTopmost = 1003,         // first 1: the wizard stays on top; anything else: not
  kEntryShowWindow = 1004,      // first 1: the window is shown at the end of start-up
  kEntryFinishOptions = 1005,   // the finish options' check-box list
  kEntryInstallFolder = 1006,   // the install folder
  kEntrySpace = 1007,           // first 1: whether the space labels show; 2: the required size
  kEntryStartMenuName = 1008,   // first: text; the alternative start-menu group name
  kEntryFillTree = 1010,        // the routine that fills the components tree
  kEntryReadScript = 1011,      // the install script
  kEntryReplaceScript = 1012,   // first: text; the new install script
  kEntryExtractTo = 1013,       // first: "entries$-folders$-password"; extracts them now
  kEntryExclude = 1021,         // first: text appended to the exclusion list
  kEntryInclude = 1022,         // first: text appended to the inclusion list
  kEntryArchivePath = 1023,     // first: text; the archive path override
  kEntryTreeCallbacks = 8888,   // first 1: description callback, 2: check callback; second: it
};

// Requests of the page request handler.
enum PageRequestCode : int {
  kPageCustomHeader = 1000,   // "title$，subtitle": a custom page header; its background frame
  kPageTable = 1001,
  kPageShownFlags = 1002,
  kPageCountOfPages = 1003,
  kPageInsert = 1004,         // position: a page captioned "云舟晚渡" inserted there
  kPageFrames = 1005,         // the page frames with their child windows, and the work folder
  kPageChangeCallback = 1006, // address of a stdcall routine called with each new page
  kPageCurrent = 1007,
  kPageSelect = 1008,
  kPageInstall = 1009,        // "password$，a$，b[$，d]": installs with a and b as progress callbacks
  kPageSetFolder = 1010,
  kPageFolderAddress = 1011,  // address of a pointer-sized variable: gets the install folder's
  kPageListAddresses = 1013,  // "x$，y": the exclusion list's address to x, the inclusion list's to y
  kPageShortcutTexts = 1014,  // table of three texts: shortcut choice list, install folder, auto subfolder
};

intptr_t HandleMessageEntry(Context& ctx, int code, intptr_t first, intptr_t second);
intptr_t HandlePageRequest(Context& ctx, int code, intptr_t argument);

// What the DLLs learn after a page became current: the 1001 notice (unless a page is being
// inserted) and a call of the page-change callback a DLL set.
void TellDllsPageChanged(Context& ctx, int page);

// The routine request 1010 hands out: fills the components tree again from the install script
// (which a DLL may have replaced) and rebuilds the visible tree from it. True when the script
// lists components.
bool RefillComponentsTree(Context& ctx);

}  // namespace qmb
