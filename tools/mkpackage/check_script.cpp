// The install script as the runtime reads it: the components tree through the runtime's own tree
// reader, then every block, section and line against the tree and the command names.
#include "base/text.h"
#include "check_context.h"
#include "context/context.h"
#include "platform/host/host_platform.h"
#include "script/script_line.h"
#include "startup/settings_catalogue.h"
#include "wizard/components_model.h"

namespace qmb::mkpackage {
namespace {

constexpr char kFile[] = "settings/choolantern.ini";
constexpr char kOpenBrace[] = "｛";
constexpr char kCloseBrace[] = "｝";

std::vector<std::string> Strings(std::span<const std::string_view> names) {
  return {names.begin(), names.end()};
}

void CheckTreeLine(CheckContext& c, const std::string& line, int line_number, int index,
                   std::vector<std::string>& names) {
  const std::vector<std::string> fields = Split(line, "$,");
  names.push_back(fields[0]);
  if (fields.size() < 3) {
    c.Add(Severity::kError, kFile, line_number, fields[0],
          "a tree entry needs at least name$,parent$,tick");
    return;
  }
  const std::string parent = Trim(fields[1]);
  const int p = ToInt(parent);
  if (parent != std::to_string(p) || p < -1 || p >= index)
    c.Add(Severity::kError, kFile, line_number, fields[0],
          "parent \"" + parent + "\" is no earlier entry: -1 for a top-level entry, else the "
          "0-based number of an entry above (this is entry " + std::to_string(index) + ")");
  const std::string tick = Trim(fields[2]);
  if (tick != "0" && tick != "1")
    c.Add(Severity::kError, kFile, line_number, fields[0],
          "tick \"" + tick + "\" is neither 1 (ticked) nor 0");
}

void CheckCommandLine(CheckContext& c, const std::string& line, int line_number) {
  const ScriptLine parsed = ParseScriptLine(line);
  if (parsed.kind != LineKind::kCommand) return;
  if (line.size() < 4 || line[0] != '[' || line.substr(3, 1) != "]" ||
      (line.substr(1, 2) != "真" && line.substr(1, 2) != "假")) {
    c.Add(Severity::kWarning, kFile, line_number, line,
          "a command line starts with [真] (run when ticked) or [假] (when not ticked)");
  }
  if (parsed.name.empty()) {  // a program line
    CheckProgramLine(c, kFile, line_number, parsed.command, "\"");
    return;
  }
  if (parsed.name != kCommandRemoveZip && parsed.name != kCommandAssignZip &&
      parsed.name != kCommandRemoveDump) {
    c.Add(Severity::kWarning, kFile, line_number, parsed.name,
          "unknown command; the line is ignored (a program line may hold no \"(\")" +
              Suggestion(parsed.name, Strings(ScriptCommandNames())));
    return;
  }
  if (parsed.name == kCommandRemoveDump) return;  // names below the install folder, any
  for (const std::string& entry : SplitGbk(parsed.argument, ',')) {
    if (!Trim(entry).empty() && !c.InPayload(Trim(entry)))
      c.Add(Severity::kWarning, kFile, line_number, entry, "names no file or folder of the payload");
  }
}

}  // namespace

ComponentsTree ReadTree(const std::string& script) {
  HostPlatform host;
  Context ctx(host.platform());
  ctx.script.text = script;
  ctx.wizard.tree = ComponentsTree::BuiltIn();
  FillComponentsTree(ctx);
  return ctx.wizard.tree;
}

void CheckScript(CheckContext& c) {
  const std::string* script = c.Settings("choolantern.ini");
  if (!script) return;
  const ComponentsTree tree = ReadTree(*script);
  std::vector<std::string> tree_names;
  for (int i = 0; i < tree.Count(); ++i) tree_names.push_back(tree.Item(i).text);

  const std::vector<std::string> lines = Split(*script, "\n");
  std::string block;    // the component of the block we are in
  std::string section;  // the section we are in, empty between sections
  std::vector<std::string> listed;  // the Treelists entries read so far
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string line = ReplaceAll(lines[i], "\r", "");
    const int number = static_cast<int>(i) + 1;
    if (block.empty()) {
      if (i + 1 < lines.size() && Trim(ReplaceAll(lines[i + 1], "\r", "")) == kOpenBrace &&
          !Trim(line).empty()) {
        block = line;
        if (block != kTreeBlock && tree.Find(block) < 0)
          c.Add(Severity::kError, kFile, number, block,
                "no item of the components tree has this name, so its sections never run" +
                    Suggestion(block, tree_names));
        ++i;
      } else if (!Trim(line).empty()) {
        c.Add(Severity::kWarning, kFile, number, line,
              "outside every block; a block is the component's name, then a line \"｛\"");
      }
      continue;
    }
    if (section.empty()) {
      if (Trim(line) == kCloseBrace) {
        block.clear();
      } else if (EndsWith(Trim(line), "(){")) {
        section = Trim(line).substr(0, Trim(line).size() - 3);
        bool known = false;
        for (std::string_view s : ScriptSectionNames()) known = known || section == s;
        if (!known)
          c.Add(Severity::kWarning, kFile, number, section,
                "unknown section; the runtime never reads it" +
                    Suggestion(section, Strings(ScriptSectionNames())));
      } else if (!Trim(line).empty()) {
        c.Add(Severity::kWarning, kFile, number, line, "outside every section of the block");
      }
      continue;
    }
    if (line == "}") {
      section.clear();
      continue;
    }
    if (Trim(line).empty() || section == kScriptDescribe) continue;
    if (block == kTreeBlock) {
      if (section == kScriptInstall)
        CheckTreeLine(c, line, number, static_cast<int>(listed.size()), listed);
      continue;
    }
    if (section == kScriptInstall || section == kScriptUnzip || section == kScriptFinish)
      CheckCommandLine(c, line, number);
  }
  if (!block.empty())
    c.Add(Severity::kError, kFile, static_cast<int>(lines.size()), block,
          "the block is not closed with a line \"｝\"");
}

}  // namespace qmb::mkpackage
