// Thread priority off Windows (the archive library's Windows build has its own, beside its file
// system): a few steps of niceness, which the system may refuse to give back to an unprivileged
// thread; the thread then stays behind, as before.
#ifndef _WIN32

#include "archive/thread_priority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace qmb::sevenzip {

void RunBehind(bool behind) {
#if defined(__linux__)
  // Linux keeps a niceness per thread; the process's own is where the thread comes back to.
  constexpr int kBehind = 5;
  const int normal = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), behind ? normal + kBehind : normal);
#else
  (void)behind;
#endif
}

}  // namespace qmb::sevenzip

#endif  // _WIN32
