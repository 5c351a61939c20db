// The uninstall window: one page with the product's texts, the option boxes and the install
// folder, which turns into a progress page with a status line and a log list during the removal.
// Its decisions are the window-free uninstall code's; this only creates controls and applies them.
#pragma once

#include <cstdint>

namespace qmb {

struct Context;

// Creates the window, hidden; its creation runs StartUninstall, which decides whether it shows.
// entry_address is the uninstall message entry's, published in a hidden window's caption.
bool CreateUninstallWindow(Context& ctx, uintptr_t entry_address);

}  // namespace qmb
