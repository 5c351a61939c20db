// Which archive entries a command line selects: wildcard patterns ("*" any run of characters,
// "?" one character) matched case-insensitively against an entry's whole path or a folder above
// it, with "\" and "/" alike. Exclusions win over patterns; no patterns select every entry.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb::sevenzip {

// True when pattern matches path itself or one of the folders above it. Both are UTF-16 paths.
bool PatternMatches(std::u16string_view pattern, std::u16string_view path);

class EntrySelection {
 public:
  // Patterns and exclusions are GBK, as they stand on the command line.
  EntrySelection(const std::vector<std::string>& patterns,
                 const std::vector<std::string>& exclusions);
  bool Selects(std::u16string_view path) const;

 private:
  std::vector<std::u16string> patterns_;
  std::vector<std::u16string> exclusions_;
};

}  // namespace qmb::sevenzip
