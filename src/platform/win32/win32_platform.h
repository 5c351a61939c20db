// All win32 ports of the process together.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_dialogs.h"
#include "platform/win32/win32_env.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_modules.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"

namespace qmb {

class Win32Platform {
 public:
  Win32Platform()
      : platform_{files_, registry_, processes_, shell_, env_, dialogs_, modules_} {}
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& platform() { return platform_; }

 private:
  Win32Files files_;
  Win32Registry registry_;
  Win32Processes processes_;
  Win32Shell shell_;
  Win32Env env_;
  Win32Dialogs dialogs_;
  Win32Modules modules_;
  Platform platform_;
};

}  // namespace qmb
