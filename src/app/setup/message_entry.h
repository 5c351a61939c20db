// The message entry routine: support DLLs find its address in the caption of the hidden message
// window and call it with (code, first, second) as stdcall.
#pragma once

#include <cstdint>

namespace qmb {

struct Context;

// The context the routine answers for; set once at start, before any support DLL runs.
void SetMessageEntryContext(Context* ctx);

// Parameters and result are pointer-sized: on the 32-bit build that is the three 32-bit integers of
// the interface, and on x86-64 an address still fits.
intptr_t __stdcall MessageEntry(int code, intptr_t first, intptr_t second);

// The routine a support DLL gets through request 1010: fills the components tree again.
int __stdcall FillTreeEntry();

// The uninstall window's entry routine (requests 2001 to 2010). Its parameters and result carry
// addresses as well as numbers, so they are pointer-sized.
intptr_t __stdcall UninstallMessageEntry(int code, intptr_t first, intptr_t second);

}  // namespace qmb
