// The grammar of one line of an "Install", "Unzip" or "finish" body: a binding line, or a
// condition ("[真]" ticked, anything else unticked) followed by a command part.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

enum class LineKind {
  kBindDesktop,     // contains "setdesktop()"
  kBindStartMenu,   // contains "setstartmenu()"
  kBindQuickLaunch, // contains "setquicklaunch()"
  kCommand,
};

struct ScriptLine {
  LineKind kind = LineKind::kCommand;
  bool ticked = false;  // bytes 2 and 3 of the line are "真"
  std::string command;  // the command part: everything after the first "]"
  std::string name;     // the command part before its first "(" (empty without one)
  std::string argument; // between the first "(" and the first ")" after it
};

ScriptLine ParseScriptLine(std::string_view line);

}  // namespace qmb
