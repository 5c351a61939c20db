// One action offered on the finish page.
#pragma once

#include <string>

namespace qmb {

struct FinishOption {
  std::string title;    // caption of the check box
  std::string command;  // command line or web address run when ticked
  bool visible = false;
  bool checked = false;  // the tick: initial value, then whatever the user leaves in the box
};

}  // namespace qmb
