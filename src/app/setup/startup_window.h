// The start-up window: a plain top-level window whose creation runs the start-up steps. The
// wizard's pages take this window over once they exist.
#pragma once

namespace qmb {

struct Context;

// Creates the window (its creation handler runs the start-up steps); false when it cannot be made.
bool CreateStartupWindow(Context& ctx);

}  // namespace qmb
