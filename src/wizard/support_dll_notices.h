// The wizard's notices to support DLLs, one function per message, sent from the places where the
// wizard changes page, asks about the exit and finishes the installation. The DLL store answers
// them; until it is part of the program no DLL is loaded, each notice is only logged and nothing
// is vetoed.
#pragma once

namespace qmb {

struct Context;

// Message 1002 before a page change; true when a DLL vetoes it.
bool NoticePageStep(Context& ctx, int current_page, int direction);
// Message 1002 with direction 1 once the installation ran (no answers awaited).
void NoticeInstallDone(Context& ctx, int installing_page);
// Message 1001 after the page set changed page.
void NoticePageChanged(Context& ctx, int page);
// Message 1003 with the user's answer to the exit question; true when a DLL keeps the program
// running (only asked when the user said yes).
bool NoticeExitAnswer(Context& ctx, bool user_said_yes);
// Message 1004 when the wizard window is minimised, maximised or restored, with that state.
void NoticeWindowState(Context& ctx, int state);
// Message 1005 when the installation has finished.
void NoticeInstallFinished(Context& ctx);

}  // namespace qmb
