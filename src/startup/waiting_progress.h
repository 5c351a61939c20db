// The waiting window's progress while the payload is copied out of a large package. The decisions
// live here; the window code only shows the texts it is handed (WaitingView in the context).
#pragma once

#include "startup/startup_state.h"

namespace qmb {

struct Context;

WaitingTexts WaitingTextsFor(int percent);

// Shows a percentage; nothing when the window is not open or the percentage is 0.
void WaitingProgress(Context& ctx, int percent);

}  // namespace qmb
