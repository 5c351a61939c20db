// The command-line switches: their texts come from data.ini section "安装包命令行" (defaults "-jp",
// "-hp", "-hideend"; the install-folder switch "p" has none), and each one is a case-sensitive
// substring of the argument text.
#pragma once

#include <string>
#include <string_view>

#include "base/ini.h"

namespace qmb {

struct Context;

// The install folder that follows the switch text p in the argument text: after blanks, a quoted
// folder up to its closing quote, else the text up to the next blank. Empty when p is empty or not
// in the text.
std::string PathSwitchValue(std::string_view argument_text, std::string_view p);

// Sets the install path override, the run mode (hp wins over jp) and the finish page switch.
void EvaluateSwitches(Context& ctx, const IniFile& data_ini);

}  // namespace qmb
