// Thread priority of the archive library on Windows: one step below normal for work ahead.
#include "archive/thread_priority.h"

#include <windows.h>

namespace qmb::sevenzip {

void RunBehind(bool behind) {
  SetThreadPriority(GetCurrentThread(), behind ? THREAD_PRIORITY_BELOW_NORMAL : THREAD_PRIORITY_NORMAL);
}

}  // namespace qmb::sevenzip
