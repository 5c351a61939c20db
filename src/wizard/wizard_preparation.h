// The wizard preparation's decisions that do not need its window: the caption, the install folder
// (the previous location, else the package's default), the run mode and finish page left open by
// the command line, the install script with the components tree, the shortcut records and the
// uninstaller's pictures, the program lists and the finish options. The background mode installs from exactly this; the wizard window shows it.
#pragma once

namespace qmb {

struct Context;

// Runs once at start-up, after the settings are loaded and while the work folder still exists.
void PrepareWizardModel(Context& ctx);

}  // namespace qmb
