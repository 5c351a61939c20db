// Loading support DLLs and calling their exports.
#include "platform/win32/win32_modules.h"

#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

#if defined(__i386__)
// A stdcall export pops the arguments it declares, and a support DLL's export may declare fewer
// than the fifteen we push. The thunk keeps the stack pointer in ebp (which the export preserves)
// and restores it from there, so the caller's frame is right whatever the export popped.
// int __cdecl qmb_CallStdcall15(uintptr_t function, const intptr_t* slots)
asm(".text\n"
    ".globl _qmb_CallStdcall15\n"
    "_qmb_CallStdcall15:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %esi\n"
    "  movl 12(%ebp), %esi\n"
    "  movl $14, %ecx\n"
    "1:\n"
    "  pushl (%esi,%ecx,4)\n"
    "  decl %ecx\n"
    "  jns 1b\n"
    "  call *8(%ebp)\n"
    "  leal -4(%ebp), %esp\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  ret\n");
extern "C" int __cdecl qmb_CallStdcall15(uintptr_t function, const intptr_t* slots);
#endif

namespace qmb {

uintptr_t Win32Modules::Load(const std::string& path) {
  // The W function with the path converted through code page 936: the A function would read the
  // GBK path through whatever code page the machine uses.
  return reinterpret_cast<uintptr_t>(LoadLibraryW(Wide(path).c_str()));
}

uintptr_t Win32Modules::FindExport(uintptr_t module, const std::string& name) {
  if (module == 0) return 0;
  return reinterpret_cast<uintptr_t>(
      GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str()));
}

int32_t Win32Modules::Call(uintptr_t function, const DllArguments& a) {
  if (function == 0) return -1;
#if defined(__i386__)
  return qmb_CallStdcall15(function, a.data());
#else
  // x86-64 has one calling convention, and there the caller owns the argument area: an export
  // declaring fewer parameters simply ignores the rest.
  using Export = int32_t (*)(intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                             intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t, intptr_t,
                             intptr_t);
  const auto export_function = reinterpret_cast<Export>(function);
  return export_function(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                         a[12], a[13], a[14]);
#endif
}

}  // namespace qmb
