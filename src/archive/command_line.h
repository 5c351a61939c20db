// The command-line grammar of the SevenZip call: a command ("x" keeps folders, "e" writes flat),
// then in any order the archive, the output folder, entry patterns and switches.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb::sevenzip {

struct CommandLine {
  bool keep_folders = true;           // "x"; false for "e"
  std::string archive;                // GBK, the first plain argument
  std::string output_folder;          // GBK, the first plain argument ending in "\" or "/"
  std::vector<std::string> patterns;  // the other plain arguments; empty means every entry
  std::vector<std::string> exclusions;  // "-x!" patterns
  std::string password;               // "-p"; "-p" alone or -p"" is the empty password
  bool assume_yes = false;            // "-y"
  bool hide = false;                  // "-hide"
  unsigned threads = 0;               // "-mmt": decoding threads; 0 leaves it to the machine
};

struct Argument {
  std::string text;        // quotes dropped
  bool is_switch = false;  // starts with a "-" outside quotes; "-name" in quotes is a plain name
};

// Splits at blanks outside quotes; a quote may open or close anywhere inside an argument and is
// dropped. Quote and blank bytes never occur as GBK trail bytes, so no GBK care is needed here.
std::vector<Argument> SplitArguments(std::string_view text);

// Parses one command line; nullopt with a short reason in error when the command is unknown or the
// archive or the output folder is missing. Unknown switches are ignored.
std::optional<CommandLine> ParseCommandLine(std::string_view text, std::string& error);

}  // namespace qmb::sevenzip
