// Command-line parsing for SevenZipRun.
#include "archive/command_line.h"

#include <algorithm>

#include "base/text.h"

namespace qmb::sevenzip {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EndsWithSeparator(std::string_view path) {
  if (path.empty()) return false;
  size_t last = path.size() - 1;
  return FindLastCharGbk(path, '\\') == last || FindLastCharGbk(path, '/') == last;
}

// Case-insensitive prefix test for ASCII switch names.
bool HasSwitchPrefix(std::string_view arg, std::string_view prefix) {
  return arg.size() >= prefix.size() && EqualsIgnoreCase(arg.substr(0, prefix.size()), prefix);
}

// "-mmt" and "-mmt=on" leave the count to the machine (0), "-mmt=off" is one thread, "-mmt=N" or
// "-mmtN" N threads (at most 64); anything else keeps the machine's count.
unsigned ThreadSwitch(std::string_view value) {
  if (!value.empty() && value[0] == '=') value.remove_prefix(1);
  if (EqualsIgnoreCase(value, "off")) return 1;
  unsigned n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') return 0;
    n = std::min(n * 10 + unsigned(c - '0'), 64u);
  }
  return n;
}

}  // namespace

std::vector<Argument> SplitArguments(std::string_view text) {
  std::vector<Argument> args;
  Argument current;
  bool in_quotes = false;
  bool started = false;  // a quoted empty argument ("") still counts as an argument
  for (char c : text) {
    if (c == '"') {
      in_quotes = !in_quotes;
      started = true;
    } else if (IsBlank(c) && !in_quotes) {
      if (started) args.push_back(std::move(current));
      current = Argument();
      started = false;
    } else {
      if (!started) current.is_switch = c == '-';
      current.text.push_back(c);
      started = true;
    }
  }
  if (started) args.push_back(std::move(current));
  return args;
}

std::optional<CommandLine> ParseCommandLine(std::string_view text, std::string& error) {
  std::vector<Argument> args = SplitArguments(text);
  if (args.empty() ||
      (!EqualsIgnoreCase(args[0].text, "x") && !EqualsIgnoreCase(args[0].text, "e"))) {
    error = args.empty() ? "empty command line" : "unknown command";
    return std::nullopt;
  }
  CommandLine cmd;
  cmd.keep_folders = EqualsIgnoreCase(args[0].text, "x");
  bool have_archive = false, have_output = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i].text;
    if (arg.empty()) continue;
    if (args[i].is_switch) {
      if (EqualsIgnoreCase(arg, "-y")) cmd.assume_yes = true;
      else if (EqualsIgnoreCase(arg, "-hide")) cmd.hide = true;
      else if (HasSwitchPrefix(arg, "-x!")) cmd.exclusions.push_back(arg.substr(3));
      else if (HasSwitchPrefix(arg, "-p")) cmd.password = arg.substr(2);
      else if (HasSwitchPrefix(arg, "-mmt")) cmd.threads = ThreadSwitch(std::string_view(arg).substr(4));
      // Every other switch is ignored.
    } else if (!have_archive) {
      cmd.archive = arg;
      have_archive = true;
    } else if (!have_output && EndsWithSeparator(arg)) {
      cmd.output_folder = arg;
      have_output = true;
    } else {
      cmd.patterns.push_back(arg);
    }
  }
  if (!have_archive) {
    error = "no archive named";
    return std::nullopt;
  }
  if (!have_output) {
    error = "no output folder named";
    return std::nullopt;
  }
  return cmd;
}

}  // namespace qmb::sevenzip
