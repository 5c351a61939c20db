// Memory for the decoders' large working areas (the PPMd model, the BZip2 transform vector, the
// LZMA window). They are read at random over megabytes, so where the system offers huge pages on request
// (Linux) the block asks for them and spares the processor most of its page-table walks;
// elsewhere it is plain heap memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmb::sevenzip {

class LargeBlock {
 public:
  LargeBlock() = default;
  ~LargeBlock();
  LargeBlock(const LargeBlock&) = delete;
  LargeBlock& operator=(const LargeBlock&) = delete;

  // Replaces the block by one of size bytes (contents undefined); false when it cannot be had.
  bool Allocate(size_t size);
  // The same with every byte zero.
  bool AllocateZeroed(size_t size);
  uint8_t* data() const { return data_; }

 private:
  uint8_t* data_ = nullptr;
};

}  // namespace qmb::sevenzip
