// A thread moved behind is the only one moved: the reader and the other workers keep their level.
#include "archive/thread_priority.h"

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace qmb::sevenzip {
namespace {

int OwnNiceness() { return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid))); }

TEST(RunBehind, MovesOnlyTheCallingThread) {
  const int before = OwnNiceness();
  int worker_behind = 0, worker_back = 0;
  std::thread worker([&] {
    RunBehind(true);
    worker_behind = OwnNiceness();
    RunBehind(false);
    worker_back = OwnNiceness();
  });
  worker.join();
  EXPECT_GT(worker_behind, before);
  // Giving the level back needs the right to raise a priority, which root has.
  if (geteuid() == 0) {
    EXPECT_EQ(worker_back, before);
  }
  EXPECT_EQ(OwnNiceness(), before);
  EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(getpid())), before);
}

}  // namespace
}  // namespace qmb::sevenzip
#endif
