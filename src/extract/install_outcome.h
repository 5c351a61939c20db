// How the installation ended, kept in one place: the background mode turns it into the process's
// exit code, and the wizard reads it to tell the user. A failed or cancelled installation is undone
// (see InstallJournal), and the outcome says so.
#pragma once

#include <cstdint>
#include <string>

namespace qmb {

struct Context;

// Each result is also an exit code (ExitCodeOf); the README lists them.
enum class InstallResult {
  kNotRun,             // no installation was tried
  kComplete,           // everything ran (in test mode: nothing was meant to be installed)
  kNoPackage,          // the background mode found no installer package to install
  kExtractionFailed,   // the main extraction into the install folder failed
  kNoFolder,           // the install folder is empty
  kFolderRejected,     // the install folder is not usable or the package's path rules refuse it
  kTooLittleSpace,     // the drive has less free space than the payload needs
  kPasswordCancelled,  // the installer password was not given
  kPasswordWrong,      // the installer password was wrong
  kUninstallerFailed,  // the uninstaller's files or its uninstall entry could not be written;
                       // what the installation had changed is undone
  kBadProductName,     // the product name cannot name the uninstaller's folders, links and entry
  kCancelled,          // the user cancelled; what the installation had changed is undone
  kStepFailed,         // a change to the machine was refused (a file or link that could not be
                       // kept aside); what the installation had changed is undone
  kRollbackIncomplete, // failed or cancelled, and the undo could not restore everything
};

struct InstallOutcome {
  InstallResult result = InstallResult::kNotRun;
  std::string reason;          // one line for the log and the user; empty when complete
  bool process_ended = false;  // EndProcess has run
  bool install_running = false;   // the install driver is changing the machine
  bool install_started = false;   // the install driver has begun
  bool cancel_requested = false;  // the user confirmed Cancel while the installation ran
};

uint32_t ExitCodeOf(InstallResult result);

// Records the result; a failure's reason goes to the log at once.
void SetOutcome(Context& ctx, InstallResult result, std::string reason);

// Ends the own process with the exit code of the outcome, once; logs the code and the reason.
// The host platform records the exit and returns, so callers stop their work after it.
void EndProcess(Context& ctx);

}  // namespace qmb
