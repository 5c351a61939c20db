// The one context object of a process: the ports, the install log and the plain state of every
// subsystem. Routines receive it by reference; there are no hidden globals, and a test builds its
// own context over the host platform.
#pragma once

#include "base/install_log.h"
#include "base/temp_name.h"
#include "extract/extract_state.h"
#include "extract/install_outcome.h"
#include "platform/platform.h"
#include "script/script_state.h"
#include "startup/settings_state.h"
#include "startup/startup_state.h"
#include "startup/support_dll_state.h"
#include "system/install_journal.h"
#include "system/system_state.h"
#include "uninstall/uninstall_state.h"
#include "wizard/wizard_state.h"

namespace qmb {

struct Context {
  explicit Context(Platform& p) : platform(p) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  Platform& platform;
  InstallLog log;
  TempNamer temp_names;

  StartupState startup;
  SettingsState settings;
  ExtractState extract;
  ProgressState progress;
  ScriptState script;
  SystemState system;
  WizardState wizard;
  SupportDllState support_dlls;
  UninstallState uninstall;
  InstallOutcome outcome;
  // Kept while the installation changes the machine, so that a failure or a cancel can undo it.
  InstallJournal journal{platform.files, platform.registry, log};
};

// Sends the install log's lines to the file that the environment variable SETUP_LOG names, appending
// each line as it comes; without that variable the log stays silent.
void AttachLogFile(Context& ctx);

}  // namespace qmb
