// Large blocks: 2 MiB-aligned and marked for huge pages on Linux, plain heap memory elsewhere.
#include "archive/large_block.h"

#include <cstdlib>
#include <cstring>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qmb::sevenzip {

LargeBlock::~LargeBlock() { std::free(data_); }

bool LargeBlock::Allocate(size_t size) {
  std::free(data_);
  data_ = nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  constexpr size_t kHugePage = size_t(1) << 21;
  if (size >= kHugePage) {
    const size_t rounded = (size + kHugePage - 1) & ~(kHugePage - 1);
    void* p = nullptr;
    if (posix_memalign(&p, kHugePage, rounded) != 0) return false;
    madvise(p, rounded, MADV_HUGEPAGE);  // a hint: without huge pages the block works the same
    data_ = static_cast<uint8_t*>(p);
    return true;
  }
#endif
  data_ = static_cast<uint8_t*>(std::malloc(size));
  return data_ != nullptr;
}

bool LargeBlock::AllocateZeroed(size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (!Allocate(size)) return false;
  std::memset(data_, 0, size);
  return true;
#else
  // calloc: fresh pages from the system cost nothing until they are written.
  std::free(data_);
  data_ = static_cast<uint8_t*>(std::calloc(size, 1));
  return data_ != nullptr;
#endif
}

}  // namespace qmb::sevenzip
