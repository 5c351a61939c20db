// One BZip2 block between its Huffman decoding and its output: the T vector the symbols fill, the
// count of every byte value, and the inverse transform that turns them into the block's bytes. A
// block depends on no other, so its transform may run on any thread while the stream is read on.
#pragma once

#include <cstddef>
#include <cstdint>

#include "archive/large_block.h"

namespace qmb::sevenzip {

class Bzip2Block {
 public:
  static constexpr uint32_t kMaxSize = 900000;
  // Working memory for a block of `size` bytes.
  static constexpr uint64_t Memory(uint32_t size) { return uint64_t(size) * kBytesPerEntry; }

  // Room for a block of up to `size` bytes (kept when there is room already); false when the
  // memory cannot be had.
  bool Reserve(uint32_t size);
  uint32_t capacity() const { return capacity_; }

  // Filled by the symbol decoder: the T vector's low eight bits, the counts, the size.
  uint32_t* Tt() const { return reinterpret_cast<uint32_t*>(work_.data()); }
  uint32_t counts[256];
  uint32_t size = 0;
  uint32_t orig_ptr = 0;  // below size
  uint32_t crc = 0;       // the block's stored CRC

  // The block's bytes, from the filled T vector; Bytes() holds them afterwards.
  void Untransform();
  const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(Lf() + capacity_); }

 private:
  // For every entry: the T vector, the LF mapping and the byte.
  static constexpr size_t kBytesPerEntry = 2 * sizeof(uint32_t) + 1;
  uint32_t* Lf() const { return Tt() + capacity_; }
  LargeBlock work_;
  uint32_t capacity_ = 0;
};

// The CRC-32 of BZip2 (polynomial 0x04C11DB7, most significant bit first), continued over `size`
// bytes; a block's CRC starts from 0xFFFFFFFF and is inverted at its end.
uint32_t Bzip2Crc(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace qmb::sevenzip
