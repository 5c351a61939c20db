// WOW64 redirection and reflection switches.
#include "platform/win32/wow64.h"

#include "platform/processor_architecture.h"

namespace qmb {

namespace {

template <typename F>
F Lookup(const wchar_t* module, const char* name) {
  HMODULE handle = GetModuleHandleW(module);
  return handle ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)))
                : nullptr;
}

using RedirectionFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);
using ReflectionFn = LONG(WINAPI*)(HKEY);

}  // namespace

bool Is64BitWindowsNative() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return Is64BitArchitecture(info.wProcessorArchitecture);
}

FsRedirectionOff::FsRedirectionOff() {
  auto disable = Lookup<RedirectionFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  ok_ = disable && disable(&old_value_);
}

FsRedirectionOff::~FsRedirectionOff() {
  if (!ok_) return;
  if (auto revert = Lookup<RevertFn>(L"kernel32.dll", "Wow64RevertWow64FsRedirection"))
    revert(old_value_);
}

void DisableReflection(HKEY key) {
  if (auto fn = Lookup<ReflectionFn>(L"advapi32.dll", "RegDisableReflectionKey")) fn(key);
}

void EnableReflection(HKEY key) {
  if (auto fn = Lookup<ReflectionFn>(L"advapi32.dll", "RegEnableReflectionKey")) fn(key);
}

}  // namespace qmb
