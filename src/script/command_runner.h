// The one program runner for script lines, program lists and finish options, and the two rewrites
// a command line may need first (a batch file for "%ET%", a system tag "[sys=...]").
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

bool Is64BitWindows(Context& ctx);

// A "http://" address opens with the default handler; a program without a drive starts as a
// process with the whole command line; one with a drive starts through the shell. Nothing is
// reported: a failure is logged and passed over.
void RunCommand(Context& ctx, const std::string& command_line, bool wait, bool hidden,
                bool shell_start);

// Opens file with the verb "open" from its own folder, waiting for the process when wait is set.
void ShellStart(Context& ctx, const std::string& file, const std::string& arguments, bool wait,
                bool hidden);

// Writes the command with every "%ET%" as a line break (and the first "cmd /c " dropped) to a new
// batch file in the temp folder; returns the quoted batch file path as the new command line
// (empty when no free name was found).
std::string WriteBatchFile(Context& ctx, const std::string& command_line);

// Handles a "[sys=" tag "]": the tag is removed, and the command becomes empty unless the tag
// names this Windows' width ("32" or "64"). An empty tag leaves the command as it is.
std::string ApplySystemCondition(Context& ctx, const std::string& command_line);

}  // namespace qmb
