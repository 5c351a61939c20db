// Reading our own command line: the argument text (everything after the program path) that the
// switches are searched in, and the argument list as the C run-time splits it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb {

// The command line after the program path, trimmed of spaces. A quoted program path ends at its
// closing quote, and one character after it is passed over (the separating blank); an unquoted one
// ends at the first space. Empty when there are no arguments.
std::string ArgumentTextOf(std::string_view command_line);

// The arguments without the program name, split by the C run-time's rules: blanks separate, double
// quotes group (a doubled quote inside a group is a literal quote), backslashes are literal unless
// they precede a quote (2n backslashes + quote: n backslashes and a grouping quote; 2n + 1: n and a
// literal quote). GBK double-byte characters are never split.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace qmb
