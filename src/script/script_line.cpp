// Parsing one install script line. Brackets and parentheses are searched character by character,
// so a trail byte of a double-byte character is never taken for one.
#include "script/script_line.h"

#include "base/text.h"
#include "startup/settings_catalogue.h"

namespace qmb {

ScriptLine ParseScriptLine(std::string_view line) {
  ScriptLine out;
  if (line.find(kBindDesktop) != std::string_view::npos) {
    out.kind = LineKind::kBindDesktop;
    return out;
  }
  if (line.find(kBindStartMenu) != std::string_view::npos) {
    out.kind = LineKind::kBindStartMenu;
    return out;
  }
  if (line.find(kBindQuickLaunch) != std::string_view::npos) {
    out.kind = LineKind::kBindQuickLaunch;
    return out;
  }
  out.ticked = line.size() >= 3 && line.substr(1, 2) == "真";
  size_t bracket = FindCharGbk(line, ']');
  if (bracket == kNotFound) return out;
  out.command = std::string(line.substr(bracket + 1));
  size_t open = FindCharGbk(out.command, '(');
  if (open == kNotFound) return out;
  out.name = out.command.substr(0, open);
  size_t close = FindCharGbk(out.command, ')', open + 1);
  if (close != kNotFound) out.argument = out.command.substr(open + 1, close - open - 1);
  return out;
}

}  // namespace qmb
