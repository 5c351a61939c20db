// The messages the program sends its support DLLs, in the readable form it writes them, and what
// an answer of 1 from any DLL means for each.
#pragma once

#include <string>

namespace qmb {

struct Context;

// 1002, before a page change: true when a DLL vetoes it.
bool PageChangeVetoed(Context& ctx, int current_page, int direction);
// 1002 after the installation, on the way from the installing page; answers are not looked at.
void NotifyInstallDone(Context& ctx, int installing_page);
// 1001, after a page became current.
void NotifyPageChanged(Context& ctx, int page);
// 1003 with the user's answer to the exit question; true when the user said yes and a DLL keeps
// the program running.
bool ExitVetoed(Context& ctx, bool user_said_yes);
// 1004, with one window state value.
void NotifyWindowEvent(Context& ctx, int value);
// 1005, when the installation reaches its finish state.
void NotifyInstallFinished(Context& ctx);
// 2000 around the removal (stage 1 before, 2 after): true when a DLL answered 1 (it takes over).
bool RemovalTakenOver(Context& ctx, int stage);

}  // namespace qmb
