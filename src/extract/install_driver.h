// The install driver: one whole installation once the install start has accepted the folder, the
// space and the password. It unpacks the payload into the install folder, makes the shortcuts, the
// registry entries and the uninstall record (undone together when one of them fails or the user
// cancels), runs the post-install programs and the components' "Unzip" sections, and ends in the
// finish state.
#pragma once

#include <string>

namespace qmb {

struct Context;

// The steps that change the machine are recorded in the journal; a failure or a confirmed Cancel
// among them undoes them all and ends in the finish state with that outcome. The post-install
// programs and "Unzip" sections run only after a complete installation. In test mode nothing is
// installed and only the finish state is reached.
void RunInstall(Context& ctx, const std::string& password);

// Starts the journal of the installation's changes into the install folder, unless it runs already
// or nothing is to be installed (test mode).
void BeginInstallJournal(Context& ctx);

// The wizard's finish state; in the background mode, or with the finish page switched off, the
// process ends here with the outcome's exit code.
void FinishInstall(Context& ctx);

}  // namespace qmb
