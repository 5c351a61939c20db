// Install script sections carried out line by line.
#include "script/script_runner.h"

#include "base/text.h"
#include "extract/extract_archive.h"
#include "script/command_runner.h"
#include "script/script_line.h"
#include "script/script_text.h"

namespace qmb {

namespace {

void Bind(Context& ctx, std::string_view component, int kind) {
  int item = ctx.wizard.tree.Find(component);
  if (item < 0) return;
  ctx.wizard.tree.Item(item).value = kind;
  ctx.log.Step("component " + std::string(component) + " bound to shortcut kind " +
               std::to_string(kind));
}

void RunProgramLine(Context& ctx, const std::string& command) {
  std::string line = ReplaceAll(command, "%InstallPath%", ctx.wizard.install_folder);
  if (line.find("%ET%") != std::string::npos) line = WriteBatchFile(ctx, line);
  RunCommand(ctx, line, /*wait=*/true, /*hidden=*/true, /*shell_start=*/false);
}

void RunCommandLine(Context& ctx, const ScriptLine& line) {
  if (line.name == "removezip") {
    AppendToEntryList(ctx.extract.exclusion_list, line.argument);
  } else if (line.name == "assignzip") {
    AppendToEntryList(ctx.extract.inclusion_list, line.argument);
  } else if (line.name == "removedump") {
    ctx.script.leftover_list = SplitGbk(line.argument, ',');
  } else if (line.name.empty()) {
    RunProgramLine(ctx, line.command);
  } else {
    ctx.log.Step("script: unknown command " + line.name + " ignored");
  }
}

}  // namespace

int IsComponentTicked(const Context& ctx, std::string_view component) {
  return ctx.wizard.tree.CheckState(ctx.wizard.tree.Find(component));
}

void RunScriptSection(Context& ctx, std::string_view body, std::string_view component) {
  for (const std::string& text : Split(body, "\r\n")) {
    ScriptLine line = ParseScriptLine(text);
    switch (line.kind) {
      case LineKind::kBindDesktop:
        Bind(ctx, component, kKindDesktop);
        continue;
      case LineKind::kBindStartMenu:
        Bind(ctx, component, kKindStartMenu);
        continue;
      case LineKind::kBindQuickLaunch:
        Bind(ctx, component, kKindQuickLaunch);
        continue;
      case LineKind::kCommand:
        break;
    }
    int tick = IsComponentTicked(ctx, component);
    if ((line.ticked && tick == 1) || (!line.ticked && tick == 0)) RunCommandLine(ctx, line);
  }
}

void RunComponentSections(Context& ctx, std::string_view section) {
  for (int i = 0; i < ctx.wizard.tree.Count(); ++i) {
    std::string component = ctx.wizard.tree.Item(i).text;
    ScriptSection found = FindScriptSection(ctx.script.text, component, section);
    if (!found.found) continue;
    ctx.log.Step("script section " + std::string(section) + " of " + component);
    RunScriptSection(ctx, found.body, component);
  }
}

}  // namespace qmb
