// The program lists and the finish option commands.
#include "script/program_runs.h"

#include "base/text.h"
#include "script/command_runner.h"

namespace qmb {

namespace {

// The details-list line of a program run: the third progress-line template.
void ShowRunLine(Context& ctx, const std::string& command_line) {
  if (!ctx.wizard.show_progress_line) return;
  const auto& templates = ctx.wizard.progress_templates;
  std::string line = templates.size() >= 3
                         ? ReplaceFirst(templates[2], "%Default%", command_line)
                         : command_line;
  ctx.wizard.show_progress_line(line);
}

}  // namespace

void RunProgramList(Context& ctx, const std::vector<AfterInstallRun>& list) {
  const std::string& folder = ctx.wizard.install_folder;
  for (const AfterInstallRun& run : list) {
    // Quoted so that a folder name with spaces still names one file.
    std::string line = IsTrue(run.external) ? run.file : "\"" + folder + "\"\\" + run.file;
    line = ReplaceAll(line, "%InstallPath%", folder);
    line = ApplySystemCondition(ctx, line);
    if (line.find("%ET%") != std::string::npos) line = WriteBatchFile(ctx, line);
    ShowRunLine(ctx, line);
    RunCommand(ctx, line, run.wait, run.hidden, /*shell_start=*/false);
  }
}

void RunFinishOptionCommand(Context& ctx, const std::string& command) {
  std::string line = ReplaceAll(command, "**", "\"");
  line = ReplaceAll(line, "%InstallPath%", ctx.wizard.install_folder);
  line = ApplySystemCondition(ctx, line);
  if (line.find("%ET%") != std::string::npos) line = WriteBatchFile(ctx, line);
  RunCommand(ctx, line, /*wait=*/false, /*hidden=*/false, /*shell_start=*/true);
}

}  // namespace qmb
