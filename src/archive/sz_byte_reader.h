// Reads the 7z header's primitives (bytes, 7z variable-length numbers, little-endian integers)
// from a bounded buffer. A read past the end yields zeros and marks the reader failed, so callers
// check failed() once after a group of reads instead of after each.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qmb::sevenzip {

class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte();
  uint64_t Number();  // the 7z UINT64: the first byte's leading ones count the extra bytes
  uint32_t UInt32();
  uint64_t UInt64();
  // Hands out the next n bytes (null and failed when fewer remain).
  const uint8_t* Take(uint64_t n);
  // A count of items that each take at least one byte (or bit, when bits is true) of what
  // remains: anything larger is damage and fails the reader.
  uint64_t Count(bool bits = false);

  size_t remaining() const { return size_ - pos_; }
  bool failed() const { return failed_; }
  void Fail() { failed_ = true; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  bool failed_ = false;
};

}  // namespace qmb::sevenzip
