// The package step of start-up: reads the command line, the package kind and the settings archive
// of our own file, unpacks the settings into a work folder, copies the payload out when the package
// asks for it, checks split volumes, evaluates the switches and loads the settings.
#pragma once

#include <string>

namespace qmb {

struct Context;

// 1 installer, 2 uninstaller, 0 no package (or the process was told to end on a missing volume).
int RunPackageStep(Context& ctx);

// The password of the settings archive, from our own key resource; empty when it is missing.
std::string LoadSettingsKey(Context& ctx);

}  // namespace qmb
