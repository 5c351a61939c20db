// All ports of one process together. Code above the ports receives a Platform and never reaches the
// operating system on its own.
#pragma once

#include "platform/dialogs.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace qmb {

struct Platform {
  Files& files;
  Registry& registry;
  Processes& processes;
  Shell& shell;
  Env& env;
  Dialogs& dialogs;
  Modules& modules;
};

}  // namespace qmb
