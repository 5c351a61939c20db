// Threads a decoder borrows from its share to work ahead of its reader. The decoder's own mutex
// guards the count of threads at work: a thread leaves the count in the same critical section in
// which it finds nothing more to do, so Start never counts on one about to go.
#pragma once

#include <functional>
#include <thread>
#include <vector>

#include "archive/decode_share.h"

namespace qmb::sevenzip {

class BorrowedThreads {
 public:
  explicit BorrowedThreads(DecodeShare& share) : share_(share) {}
  ~BorrowedThreads() { JoinAll(); }
  BorrowedThreads(const BorrowedThreads&) = delete;
  BorrowedThreads& operator=(const BorrowedThreads&) = delete;

  // Under the decoder's mutex: borrows threads, as long as the share lends them, until `wanted`
  // run `work`; each goes back to the share when its work returns. Returns how many are at work.
  size_t Start(size_t wanted, const std::function<void()>& work);
  // Under the decoder's mutex, by a thread whose work is about to return.
  void Leave() { --working_; }
  // Waits for every thread; the decoder has told them to stop.
  void JoinAll();

 private:
  DecodeShare& share_;
  std::vector<std::thread> threads_;
  size_t working_ = 0;
};

}  // namespace qmb::sevenzip
