// Install script sections carried out line by line.
#include "script/script_runner.h"

#include <functional>
#include <optional>

#include "base/text.h"
#include "extract/extract_archive.h"
#include "script/command_runner.h"
#include "script/script_line.h"
#include "script/script_text.h"
#include "startup/settings_catalogue.h"

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
  if (line.name == kCommandRemoveZip) {
    AppendToEntryList(ctx.extract.exclusion_list, line.argument);
  } else if (line.name == kCommandAssignZip) {
    AppendToEntryList(ctx.extract.inclusion_list, line.argument);
  } else if (line.name == kCommandRemoveDump) {
    ctx.script.leftover_list = SplitGbk(line.argument, ',');
  } else if (line.name.empty()) {
    RunProgramLine(ctx, line.command);
  } else {
    ctx.log.Step("script: unknown command " + line.name + " ignored");
  }
}

// Carries out the lines of body; tick gives the state a line's condition is tested against.
// Binding lines bind the component's tree item, when there is a component.
void RunLines(Context& ctx, std::string_view body, std::optional<std::string_view> component,
              const std::function<int()>& tick) {
  for (const std::string& text : Split(body, "\r\n")) {
    ScriptLine line = ParseScriptLine(text);
    int kind = 0;
    switch (line.kind) {
      case LineKind::kBindDesktop: kind = kKindDesktop; break;
      case LineKind::kBindStartMenu: kind = kKindStartMenu; break;
      case LineKind::kBindQuickLaunch: kind = kKindQuickLaunch; break;
      case LineKind::kCommand: break;
    }
    if (kind != 0) {
      if (component) Bind(ctx, *component, kind);
      continue;
    }
    const int state = tick();
    if ((line.ticked && state == 1) || (!line.ticked && state == 0)) RunCommandLine(ctx, line);
  }
}

}  // namespace

int IsComponentTicked(const Context& ctx, std::string_view component) {
  return ctx.wizard.tree.CheckState(ctx.wizard.tree.Find(component));
}

void RunScriptSection(Context& ctx, std::string_view body, std::string_view component) {
  RunLines(ctx, body, component, [&ctx, component] { return IsComponentTicked(ctx, component); });
}

void RunScriptSectionWithTick(Context& ctx, std::string_view body, int tick) {
  RunLines(ctx, body, std::nullopt, [tick] { return tick; });
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
