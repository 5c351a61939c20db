// The message entry routine. A support DLL calls it with nothing but three integers, so the
// process's context is kept here: this is the one place the program needs it without a caller.
#include "app/setup/message_entry.h"

#include "uninstall/uninstall_messages.h"
#include "wizard/dll_requests.h"

namespace qmb {
namespace {

Context* g_context = nullptr;

}  // namespace

void SetMessageEntryContext(Context* ctx) { g_context = ctx; }

intptr_t __stdcall MessageEntry(int code, intptr_t first, intptr_t second) {
  if (g_context == nullptr) return 0;
  return HandleMessageEntry(*g_context, code, first, second);
}

int __stdcall FillTreeEntry() {
  if (g_context == nullptr) return 0;
  return RefillComponentsTree(*g_context) ? 1 : 0;
}

intptr_t __stdcall UninstallMessageEntry(int code, intptr_t first, intptr_t second) {
  if (g_context == nullptr) return 0;
  return HandleUninstallMessage(*g_context, code, first, second);
}

}  // namespace qmb
