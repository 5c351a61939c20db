// One program that the package runs before or after the unpacking, or at uninstall time.
#pragma once

#include <string>

namespace qmb {

struct AfterInstallRun {
  std::string external;  // "真": the command is used as written; else a file below the install folder
  std::string file;      // the command line
  bool hidden = false;   // start with the window hidden
  bool wait = false;     // wait for the program's end
};

}  // namespace qmb
