// What a decoder running inside a parallel extraction may take besides its own thread: spare
// threads and memory, from the one thread limit and memory budget of the whole run, so that a
// decoder splitting its stream never multiplies the thread count or the memory taken ahead.
#pragma once

#include <cstdint>

namespace qmb::sevenzip {

class DecodeShare {
 public:
  virtual ~DecodeShare() = default;
  // A thread of the run's limit that nothing uses now; give it back with ReturnThread.
  virtual bool TryTakeThread() = 0;
  virtual void ReturnThread() = 0;
  // Memory beyond the taker's own working memory: TryTakeMemory only within the budget, TakeMemory
  // whatever the budget (for the one piece a decoder needs to make progress at all).
  virtual bool TryTakeMemory(uint64_t size) = 0;
  virtual void TakeMemory(uint64_t size) = 0;
  virtual void ReturnMemory(uint64_t size) = 0;
  // True once the run is being stopped (cancelled or failed): work ahead is no longer wanted.
  virtual bool Stopping() = 0;
};

}  // namespace qmb::sevenzip
