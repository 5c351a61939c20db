// The message entry routine: support DLLs find its address in the caption of the hidden message
// window and call it with (code, first, second) as stdcall.
#pragma once

namespace qmb {

struct Context;

// The context the routine answers for; set once at start, before any support DLL runs.
void SetMessageEntryContext(Context* ctx);

int __stdcall MessageEntry(int code, int first, int second);

}  // namespace qmb
