// The uninstaller's run from start to end: restoring the record and settings from "uninst.dat",
// setting up the page, choosing the run mode, the removal on the action button (or at once), and
// the clean-up that ends the process. The window code creates the view and calls in here.
#pragma once

#include "extract/extract_state.h"

namespace qmb {

struct Context;

inline constexpr char kDamagedDataMessage[] = "卸载数据已损坏，无法卸载！";
inline constexpr uint32_t kExitDamagedData = 2;

// Marks this process as the uninstaller: every progress line goes to the uninstall window's status
// line and log list, to the line callback of message 2010 and to the log.
void BecomeUninstaller(Context& ctx);

// Called once by the uninstall window's creation, with ctx.uninstall.view set. Ends the process
// at once without arguments, and with a message (or, hidden, only a log line) and exit code
// kExitDamagedData when the data file is damaged: then nothing is removed.
void StartUninstall(Context& ctx);

// Sets the run-mode flags from the record's mode and the switch words, hides the window of a
// hidden run and starts the removal at once where the mode asks for it.
void ChooseRunMode(Context& ctx);

// The action button (and message 2010, with its line callback): on the finished page it ends the
// program; otherwise the option boxes' programs run, the controlling process is told, and the
// removal runs. A removal started at once with flags 2 or more ends the program afterwards.
void RunRemoval(Context& ctx, ProgressCallback line_callback = nullptr);

// Removes the settings folder and the working folder the launcher made; when the launcher, which
// waits for this program, could not be deleted, starts the clean-up run for it. Then ends the
// process with ctx.uninstall.exit_code.
void FinishUninstall(Context& ctx);

// The window may close (and the program end) unless the removal runs: before it, once finished,
// or once a controlling process took it over.
bool MayClose(const Context& ctx);

// The first argument of the clean-up run: "<copy>" 清理 "<launcher>" "<folder>"...
inline constexpr char kCleanupWord[] = "清理";

}  // namespace qmb
