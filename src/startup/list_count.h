// The entry count of a numbered settings list ("次数", "欲运行的次数"), kept within reason so
// that a damaged count cannot make the wizard read for ever.
#pragma once

#include <string>

#include "context/context.h"

namespace qmb {

inline constexpr int kMaxListEntries = 1000;

// Negative counts read as 0; counts above kMaxListEntries are cut there (and logged).
int ListCount(Context& ctx, const std::string& text, const std::string& list_name);

}  // namespace qmb
