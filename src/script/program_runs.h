// Running the package's program lists (before and after the unpacking) and a ticked finish
// option's command, all through the one program runner.
#pragma once

#include <string>
#include <vector>

#include "context/context.h"
#include "script/after_install_run.h"

namespace qmb {

// Each entry in order: names a file below the install folder unless its external switch is "真";
// system tags apply; every run gets a line in the install details list.
void RunProgramList(Context& ctx, const std::vector<AfterInstallRun>& list);

// "**" stands for a double quote; started through the shell without waiting.
void RunFinishOptionCommand(Context& ctx, const std::string& command);

}  // namespace qmb
