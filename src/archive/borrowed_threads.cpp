// Starting and collecting the threads a decoder borrows.
#include "archive/borrowed_threads.h"

#include <system_error>

namespace qmb::sevenzip {

size_t BorrowedThreads::Start(size_t wanted, const std::function<void()>& work) {
  while (working_ < wanted && share_.TryTakeThread()) {
    if (working_ == 0) JoinAll();  // those started before have left: collect them
    try {
      threads_.emplace_back([this, work] {
        work();
        share_.ReturnThread();
      });
    } catch (const std::system_error&) {  // no thread to be had after all: the reader does the work
      share_.ReturnThread();
      break;
    }
    ++working_;
  }
  return working_;
}

void BorrowedThreads::JoinAll() {
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

}  // namespace qmb::sevenzip
