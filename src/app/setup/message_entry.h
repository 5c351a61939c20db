// The message entry routine: support DLLs find its address in the caption of the hidden message
// window and call it with (code, first, second) as stdcall.
#pragma once

#include <cstdint>

namespace qmb {

struct Context;

// The context the routine answers for; set once at start, before any support DLL runs.
void SetMessageEntryContext(Context* ctx);

int __stdcall MessageEntry(int code, int first, int second);

// The uninstall window's entry routine (requests 2001 to 2010). Its parameters and result carry
// addresses as well as numbers, so they are pointer-sized.
intptr_t __stdcall UninstallMessageEntry(int code, intptr_t first, intptr_t second);

}  // namespace qmb
