// State the install script keeps for the whole run: the deciphered script text and the leftover
// list for the uninstall record. The "assignzip"/"removezip" commands write the extraction's own
// inclusion and exclusion lists (ExtractState), which the main run reads.
#pragma once

#include <string>
#include <vector>

namespace qmb {

struct ScriptState {
  std::string text;                       // the deciphered install script
  std::vector<std::string> leftover_list; // "removedump": names the uninstaller looks for
};

}  // namespace qmb
