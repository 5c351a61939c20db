// State the install script keeps for the whole run: the deciphered script text and the lists its
// commands fill (the extraction reads the inclusion and exclusion lists, the uninstall record the
// leftover list).
#pragma once

#include <string>
#include <vector>

namespace qmb {

struct ScriptState {
  std::string text;                       // the deciphered install script
  std::string inclusion_list;             // "assignzip": comma-separated archive entry names
  std::string exclusion_list;             // "removezip": comma-separated archive entry names
  std::vector<std::string> leftover_list; // "removedump": names the uninstaller looks for
};

}  // namespace qmb
