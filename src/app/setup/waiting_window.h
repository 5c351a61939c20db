// The small waiting window shown while the payload is copied out of a large package.
#pragma once

namespace qmb {

struct Context;

// Plugs the window's open, update and close into the package step's waiting view.
void AttachWaitingWindow(Context& ctx);

}  // namespace qmb
