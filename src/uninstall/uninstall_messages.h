// The uninstall window's message interface: the requests a controlling process (a support DLL in
// this process) makes through the uninstall message entry, whose address stands in the caption of
// a hidden window, and the notifications it receives around the removal.
#pragma once

#include <cstdint>
#include <string>

namespace qmb {

struct Context;

inline constexpr char kUninstallMessageWindowPrefix[] = "备用的传递消息x_";

enum UninstallMessage : int {
  kMessageRemovalNotice = 2000,   // sent: 1 before the removal, 2 after it
  kMessageProductRecord = 2001,   // answers the address of the product record text
  kMessageKeepList = 2002,        // text: paths below the install folder joined by ","
  kMessageShowUninstall = 2003,   // 1 shows the window, anything else hides it
  kMessageTickList = 2004,        // text: "真"/"假" per option box joined by ","
  kMessageStartRemoval = 2010,    // address of a line callback (or 0); starts the removal
};

// The hidden window's caption: the prefix and the decimal address of the entry routine.
std::string UninstallMessageCaption(uintptr_t entry_address);

// The product record of message 2001: "name=value" lines (CR LF between them) with the window
// handle, product name, version, publisher text and install folder, then "次数" and per option
// box k "标题"k, "可视"k and "选中"k.
std::string ProductRecord(const Context& ctx);

// Answers one request. Text parameters and results are addresses of NUL-terminated GBK texts;
// the program copies what it is given and keeps what it answers. Unknown codes answer 0.
intptr_t HandleUninstallMessage(Context& ctx, int code, intptr_t first, intptr_t second);

// Sends message 2000 with stage (1 or 2); true when a controlling process answered 1, which means
// it performs the removal itself.
bool NotifyRemoval(Context& ctx, int stage);

}  // namespace qmb
