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
  // A native process (the x86-64 build, or any process on 32-bit Windows) is never redirected, so
  // there is nothing to switch off; only a 32-bit process under WOW64 has to.
  BOOL wow64 = FALSE;
  if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64) {
    ok_ = true;
    return;
  }
  auto disable = Lookup<RedirectionFn>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  switched_ = disable && disable(&old_value_);
  ok_ = switched_;
}

FsRedirectionOff::~FsRedirectionOff() {
  if (!switched_) return;
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
