// Command-line cutting and splitting over GBK bytes.
#include "startup/command_line.h"

#include "base/text.h"

namespace qmb {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The position after the program name, as the C run-time sees it.
size_t SkipProgramName(std::string_view line) {
  size_t i = 0;
  if (!line.empty() && line[0] == '"') {
    i = line.find('"', 1);
    return i == std::string_view::npos ? line.size() : i + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) {
    i += IsGbkLead(static_cast<unsigned char>(line[i])) && i + 1 < line.size() ? 2 : 1;
  }
  return i;
}

}  // namespace

std::string ArgumentTextOf(std::string_view command_line) {
  // Only a program path that starts with a quote ends at a quote: an unquoted path followed by a
  // quoted argument must not be cut inside that argument.
  if (!command_line.empty() && command_line[0] == '"') {
    const size_t quote = command_line.find('"', 1);
    if (quote == std::string_view::npos || quote + 2 > command_line.size()) return {};
    return Trim(command_line.substr(quote + 2));
  }
  const size_t space = command_line.find(' ', 1);
  if (space == std::string_view::npos) return {};
  return Trim(command_line.substr(space + 1));
}

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> args;
  size_t i = SkipProgramName(line);
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      const char c = line[i];
      if (IsGbkLead(static_cast<unsigned char>(c)) && i + 1 < line.size()) {
        arg.append(line.substr(i, 2));
        i += 2;
      } else if (c == '\\') {
        size_t count = 0;
        while (i < line.size() && line[i] == '\\') ++count, ++i;
        if (i < line.size() && line[i] == '"') {
          arg.append(count / 2, '\\');
          if (count % 2 == 1) {
            arg.push_back('"');
            ++i;
          }
        } else {
          arg.append(count, '\\');
        }
      } else if (c == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg.push_back('"');
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg.push_back(c);
        ++i;
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace qmb
