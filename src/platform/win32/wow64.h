// The WOW64 switches a 32-bit process needs to reach the 64-bit system: file-system redirection
// and registry reflection. The functions are looked up at run time, since older Windows lacks them.
#pragma once

#include "platform/win32/windows_include.h"

namespace qmb {

// True on 64-bit Windows (x64, IA-64 or ARM64), whether this process is 32- or 64-bit.
bool Is64BitWindowsNative();

// Switches file-system redirection off for this thread while it lives; ok() without switching
// anything where the process is not redirected at all.
class FsRedirectionOff {
 public:
  FsRedirectionOff();
  ~FsRedirectionOff();
  FsRedirectionOff(const FsRedirectionOff&) = delete;
  FsRedirectionOff& operator=(const FsRedirectionOff&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  bool switched_ = false;
  void* old_value_ = nullptr;
};

// Registry reflection for one key; both do nothing where the system has no such switch.
void DisableReflection(HKEY key);
void EnableReflection(HKEY key);

}  // namespace qmb
